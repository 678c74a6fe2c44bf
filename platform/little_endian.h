// Little-endian numbers in byte buffers, as the package format and the ZIP
// container store them.
#pragma once

#include <cstdint>

namespace platform {

inline void StoreUInt16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void StoreUInt32(std::uint8_t* at, std::uint32_t value) {
    StoreUInt16(at, static_cast<std::uint16_t>(value));
    StoreUInt16(at + 2, static_cast<std::uint16_t>(value >> 16));
}

inline std::uint16_t LoadUInt16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>(at[0] | at[1] << 8);
}

inline std::uint32_t LoadUInt32(const std::uint8_t* at) {
    return LoadUInt16(at) | static_cast<std::uint32_t>(LoadUInt16(at + 2)) << 16;
}

}  // namespace platform

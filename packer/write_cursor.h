// The primitives that assemble the package's variable-length blocks in memory.
#pragma once

#include <cstdint>

namespace quill {

// Results of the primitives.
enum SerResult : int {
    SER_OK = 0,            // written
    SER_NO_ROOM = 4,       // not enough room left; nothing written
    SER_NULL = 5,          // the cursor has no buffer, or the source is null
    SER_BLOB_NO_ROOM = 8,  // the bytes of a counted blob did not fit
};

// A write position in a buffer and the number of bytes still free behind it.
struct WriteCursor {
    std::uint8_t* position = nullptr;
    std::uint32_t free = 0;
};

// Copies `length` bytes.
int WriteBytes(WriteCursor& cursor, const void* source, std::uint32_t length);
// Stores a little-endian 32-bit value.
int WriteUInt32(WriteCursor& cursor, std::uint32_t value);
// A name record: the count of UTF-16 units, the units (little-endian), then
// padding to a multiple of 4. `text` is terminated; nothing is written
// unless the whole padded record fits.
int WriteCountedWideString(WriteCursor& cursor, const char16_t* text);
// A length word, the bytes, then padding to a multiple of 4.
int WriteCountedBlob(WriteCursor& cursor, const void* source, std::uint32_t length);

// Padding that brings `length` to a multiple of 4.
constexpr std::uint32_t PaddingFor(std::uint64_t length) {
    return static_cast<std::uint32_t>((4 - length % 4) % 4);
}

}  // namespace quill

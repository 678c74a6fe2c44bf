#include "packer/write_cursor.h"

#include <cstring>

#include "platform/little_endian.h"

namespace quill {
namespace {

// Padding is stepped over, not written: it keeps what the buffer held
// (buffers are zeroed when allocated, so it is zero).
void Skip(WriteCursor& cursor, std::uint32_t length) {
    cursor.position += length;
    cursor.free -= length;
}

}  // namespace

int WriteBytes(WriteCursor& cursor, const void* source, std::uint32_t length) {
    if (!cursor.position || !source) return SER_NULL;
    if (cursor.free < length) return SER_NO_ROOM;
    std::memcpy(cursor.position, source, length);
    Skip(cursor, length);
    return SER_OK;
}

int WriteUInt32(WriteCursor& cursor, std::uint32_t value) {
    if (!cursor.position) return SER_NULL;
    if (cursor.free < 4) return SER_NO_ROOM;
    std::uint8_t bytes[4];
    platform::StoreUInt32(bytes, value);
    return WriteBytes(cursor, bytes, 4);
}

int WriteCountedWideString(WriteCursor& cursor, const char16_t* text) {
    if (!cursor.position || !text) return SER_NULL;
    std::uint32_t units = 0;
    while (text[units] != 0) ++units;
    const std::uint64_t characters = 2ull * units;
    if (4 + characters + PaddingFor(characters) > cursor.free) return SER_NO_ROOM;
    if (const int result = WriteUInt32(cursor, units); result != SER_OK) return result;
    for (std::uint32_t i = 0; i < units; ++i) {
        std::uint8_t bytes[2];
        platform::StoreUInt16(bytes, text[i]);
        if (const int result = WriteBytes(cursor, bytes, 2); result != SER_OK) return result;
    }
    Skip(cursor, PaddingFor(characters));
    return SER_OK;
}

int WriteCountedBlob(WriteCursor& cursor, const void* source, std::uint32_t length) {
    if (!cursor.position || !source) return SER_NULL;
    if (const int result = WriteUInt32(cursor, length); result != SER_OK) return result;
    if (static_cast<std::uint64_t>(length) + PaddingFor(length) > cursor.free)
        return SER_BLOB_NO_ROOM;
    if (const int result = WriteBytes(cursor, source, length); result != SER_OK) return result;
    Skip(cursor, PaddingFor(length));
    return SER_OK;
}

}  // namespace quill

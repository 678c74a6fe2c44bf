#include "packer/write_cursor.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quill {
namespace {

// Each case runs one primitive on a buffer prefilled with 0xAA and checks the
// result, how far the cursor moved and the bytes in the buffer afterwards
// (0xAA where nothing was written: padding is stepped over, not written).
struct Case {
    const char* name;
    std::function<int(WriteCursor&)> write;
    std::uint32_t free;
    int result;
    std::vector<int> bytes;  // the buffer's first bytes afterwards
    std::uint32_t advanced;
};

constexpr int X = 0xAA;

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class WriteCursorTest : public ::testing::TestWithParam<Case> {};

TEST_P(WriteCursorTest, WritesAndAdvancesAsExpected) {
    const Case& c = GetParam();
    std::vector<std::uint8_t> buffer(32, 0xAA);
    WriteCursor cursor{buffer.data(), c.free};
    EXPECT_EQ(c.write(cursor), c.result);
    EXPECT_EQ(cursor.position - buffer.data(), c.advanced);
    EXPECT_EQ(cursor.free, c.free - c.advanced);
    for (size_t i = 0; i < c.bytes.size(); ++i) EXPECT_EQ(buffer[i], c.bytes[i]) << "byte " << i;
}

const char kFive[] = "zafra";

INSTANTIATE_TEST_SUITE_P(
    Primitives, WriteCursorTest,
    ::testing::Values(
        Case{"BytesFit",
             [](WriteCursor& c) { return WriteBytes(c, "abc", 3); },
             3,
             SER_OK,
             {'a', 'b', 'c', X},
             3},
        Case{"BytesNoRoom",
             [](WriteCursor& c) { return WriteBytes(c, "abc", 3); },
             2,
             SER_NO_ROOM,
             {X, X},
             0},
        Case{"BytesNullSource",
             [](WriteCursor& c) { return WriteBytes(c, nullptr, 3); },
             8,
             SER_NULL,
             {X},
             0},
        Case{"BytesZeroLength",
             [](WriteCursor& c) { return WriteBytes(c, "", 0); },
             0,
             SER_OK,
             {X},
             0},
        Case{"UInt32LittleEndian",
             [](WriteCursor& c) { return WriteUInt32(c, 0x4C495551); },
             4,
             SER_OK,
             {'Q', 'U', 'I', 'L'},
             4},
        Case{"UInt32NoRoom",
             [](WriteCursor& c) { return WriteUInt32(c, 1); },
             3,
             SER_NO_ROOM,
             {X, X, X},
             0},
        // "abc": 4 + 6 units' bytes + 2 padding = 12.
        Case{"WideOddPadded",
             [](WriteCursor& c) { return WriteCountedWideString(c, u"abc"); },
             12,
             SER_OK,
             {3, 0, 0, 0, 'a', 0, 'b', 0, 'c', 0, X, X},
             12},
        Case{"WideOddNoRoomForPadding",
             [](WriteCursor& c) { return WriteCountedWideString(c, u"abc"); },
             11,
             SER_NO_ROOM,
             {X, X, X, X},
             0},
        Case{"WideEvenUnpadded",
             [](WriteCursor& c) { return WriteCountedWideString(c, u"\u591ca"); },
             8,
             SER_OK,
             {2, 0, 0, 0, 0x1C, 0x59, 'a', 0, X},
             8},
        Case{"WideEmpty",
             [](WriteCursor& c) { return WriteCountedWideString(c, u""); },
             4,
             SER_OK,
             {0, 0, 0, 0, X},
             4},
        Case{"WideNullString",
             [](WriteCursor& c) { return WriteCountedWideString(c, nullptr); },
             16,
             SER_NULL,
             {X},
             0},
        // "zafra": 4 + 5 + 3 padding = 12.
        Case{"BlobPadded",
             [](WriteCursor& c) { return WriteCountedBlob(c, kFive, 5); },
             12,
             SER_OK,
             {5, 0, 0, 0, 'z', 'a', 'f', 'r', 'a', X, X, X},
             12},
        // The length word fits, the bytes and their padding do not: the word stays written.
        Case{"BlobNoRoomAfterLength",
             [](WriteCursor& c) { return WriteCountedBlob(c, kFive, 5); },
             11,
             SER_BLOB_NO_ROOM,
             {5, 0, 0, 0, X},
             4},
        Case{"BlobNoRoomForLength",
             [](WriteCursor& c) { return WriteCountedBlob(c, kFive, 5); },
             3,
             SER_NO_ROOM,
             {X},
             0},
        Case{"BlobEmpty",
             [](WriteCursor& c) { return WriteCountedBlob(c, "", 0); },
             4,
             SER_OK,
             {0, 0, 0, 0, X},
             4},
        Case{"BlobNullSource",
             [](WriteCursor& c) { return WriteCountedBlob(c, nullptr, 0); },
             8,
             SER_NULL,
             {X},
             0}),
    [](const ::testing::TestParamInfo<Case>& param) { return param.param.name; });

TEST(WriteCursor, NoBufferIsNullForEveryPrimitive) {
    WriteCursor cursor{nullptr, 100};
    EXPECT_EQ(WriteBytes(cursor, "a", 1), SER_NULL);
    EXPECT_EQ(WriteUInt32(cursor, 1), SER_NULL);
    EXPECT_EQ(WriteCountedWideString(cursor, u"a"), SER_NULL);
    EXPECT_EQ(WriteCountedBlob(cursor, "a", 1), SER_NULL);
}

}  // namespace
}  // namespace quill

#include <iconv.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"

namespace platform {
namespace {

// Four-byte characters are computed, not looked up: every one of the Basic
// Multilingual Plane, and the ends of the planes above it, against glibc.
TEST(Gb18030Decoder, FourByteCharactersAreIconvs) {
    const iconv_t iconvs = iconv_open("UTF-8", "GB18030");
    ASSERT_NE(iconvs, reinterpret_cast<iconv_t>(-1));
    std::vector<std::uint32_t> pointers;
    for (std::uint32_t p = 0; p <= 39420; ++p) pointers.push_back(p);
    for (const std::uint32_t p : {188999, 189000, 189001, 1237575, 1237576}) pointers.push_back(p);
    for (const std::uint32_t p : pointers) {
        char bytes[4] = {static_cast<char>(0x81 + p / 12600),
                         static_cast<char>(0x30 + p / 1260 % 10),
                         static_cast<char>(0x81 + p / 10 % 126), static_cast<char>(0x30 + p % 10)};
        std::string ours;
        if (!Gb18030Decoder().Decode(std::string_view(bytes, 4), ours)) ours = "none";
        char buffer[8];
        char* in = bytes;
        char* out = buffer;
        std::size_t inLeft = 4, outLeft = sizeof buffer;
        const bool decoded = iconv(iconvs, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1);
        iconv(iconvs, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(ours, decoded ? std::string(buffer, out) : "none") << "pointer " << p;
    }
    iconv_close(iconvs);
}

}  // namespace
}  // namespace platform

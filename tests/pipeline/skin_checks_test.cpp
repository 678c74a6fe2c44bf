#include "pipeline/skin_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "platform/text.h"

namespace pipeline {
namespace {

// The text as UTF-16 behind its byte-order mark. A byte that begins no UTF-8
// character becomes a lone surrogate (see platform::Utf8ToUtf16).
std::string Utf16(std::string_view utf8, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : platform::Utf8ToUtf16(utf8)) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::tuple<bool, std::uint64_t, std::uint64_t, std::string> Check(
    const std::vector<std::string_view>& pieces) {
    LayoutCheck check;
    for (const std::string_view piece : pieces) check.Feed(piece);
    const LayoutVerdict verdict = check.Finish();
    return {verdict.wellFormed, verdict.line, verdict.column, verdict.reason};
}

std::string Repeated(std::string_view text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

TEST(LayoutCheck, FindsTheFirstFaultInEachEncodingWhereverTheBytesAreCut) {
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    const std::string gbk = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n";
    const std::string gb18030 = "<?xml version=\"1.0\" encoding=\"GB18030\"?>\n";
    const std::string body = "<window title=\"夜曲\">\n  <text>歌词 \U0001F3B5</text>\n</window>\n";
    const char* const invalid = "not well-formed (invalid token)";
    const char* const tooDeep = "元素嵌套超过 4096 层";
    // 夜曲 is D2B9 C7FA in GBK; 㐀 (U+3400) 81 39 EE 39 and 𠀀 (U+20000)
    // 95 32 82 36 in GB18030. Line 0: well-formed.
    const struct {
        const char* name;
        std::string bytes;
        std::uint64_t line, column;
        std::string reason;
    } cases[] = {
        {"UTF-8", utf8 + body, 0, 0, ""},
        {"UTF-8, mismatched tags", "<window>\n  <text>歌词</text>\n</skin>\n", 3, 3,
         "mismatched tag"},
        {"UTF-8, a byte that begins no character", "<window>\n  <text>歌\xE8词</text>\n</window>",
         2, 10, invalid},
        {"UTF-8 behind a byte-order mark, mismatched tags", "\xEF\xBB\xBF<window></skin>", 1, 11,
         "mismatched tag"},
        {"empty", "", 1, 1, "no element found"},
        {"UTF-16LE", Utf16("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n" + body, false), 0, 0,
         ""},
        {"UTF-16BE, mismatched tags", Utf16("<window>\n  <text>歌词</text></skin>", true), 2, 20,
         "mismatched tag"},
        {"UTF-16LE, a lone surrogate", Utf16("<window>歌\xE9</window>", false), 1, 10, invalid},
        {"UTF-16LE declared as UTF-8", Utf16(utf8 + "<window/>", false), 1, 31,
         "encoding specified in XML declaration is incorrect"},
        {"GBK", gbk + "<window title=\"\xD2\xB9\xC7\xFA\">\x80</window>", 0, 0, ""},
        {"gb2312, mismatched tags",
         "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<window>\xD2\xB9\xC7\xFA</skin>", 2, 13,
         "mismatched tag"},
        {"GBK, a lead byte without its trail", gbk + "<window>\xD2\xB9\x81 </window>", 2, 10,
         "不是 GBK 编码的字节"},
        {"GB18030, four-byte characters before mismatched tags",
         gb18030 + "<window t=\"\x81\x39\xEE\x39\">\x95\x32\x82\x36\x81\x39\xEE\x39</skin>", 2, 19,
         "mismatched tag"},
        {"GB18030, four bytes that stand for no character",
         gb18030 + "<window>\x84\x31\xA5\x30</window>", 2, 9, "不是 GB18030 编码的字节"},
        {"GB18030, cut short inside a character", gb18030 + "<window/>\n\x95\x32", 3, 1,
         "不是 GB18030 编码的字节"},
        {"UTF-16LE declared as GBK", Utf16(gbk + "<window/>", false), 1, 1, "不是 GBK 编码的字节"},
        {"UTF-8 behind a byte-order mark, declared as GBK", "\xEF\xBB\xBF" + gbk + "<window/>", 1,
         2, "不是 GBK 编码的字节"},
        {"an encoding not read", "<?xml version=\"1.0\" encoding=\"Big5\"?><window/>", 1, 31,
         "unknown encoding"},
        // Nested deeper than any real layout: a fault where the element that
        // opens too deep starts, and the rest is not read.
        {"4096 deep", Repeated("<a>", 4096) + Repeated("</a>", 4096), 0, 0, ""},
        {"5000 side by side", "<r>" + Repeated("<a/>", 5000) + "</r>", 0, 0, ""},
        {"4097 deep", Repeated("<a>", 4097) + Repeated("</a>", 4097), 1, 12289, tooDeep},
        {"4097 deep behind a byte-order mark", "\xEF\xBB\xBF" + Repeated("<a>", 4097), 1, 12289,
         tooDeep},
        {"4097 deep in GBK", gbk + Repeated("<a>", 4097), 2, 12289, tooDeep},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto expected = std::make_tuple(c.line == 0, c.line, c.column, c.reason);
        const std::string_view bytes = c.bytes;
        EXPECT_EQ(Check({bytes}), expected);
        // Long layouts at some 256 places.
        const std::size_t step = std::max<std::size_t>(1, bytes.size() / 256);
        for (std::size_t cut = 0; cut <= bytes.size(); cut += step)
            EXPECT_EQ(Check({bytes.substr(0, cut), bytes.substr(cut)}), expected)
                << "cut at " << cut;
        std::vector<std::string_view> bytewise;
        for (std::size_t i = 0; i < bytes.size(); ++i) bytewise.push_back(bytes.substr(i, 1));
        EXPECT_EQ(Check(bytewise), expected) << "byte by byte";
    }
}

// A layout that fails as UTF-8 on bytes that are no UTF-8, and reads whole
// as GB18030, was most likely saved in GBK without saying so.
TEST(LayoutCheck, TellsOfAnUndeclaredGbkWhereverTheBytesAreCut) {
    // 皮肤 is C6A4 B7F4 in GBK: B7 cannot begin a UTF-8 character.
    const struct {
        const char* name;
        std::string bytes;
        bool gbk;
    } cases[] = {
        {"GBK, undeclared", "<skin t=\"\xC6\xA4\xB7\xF4\"/>", true},
        {"GBK, declared as UTF-8",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><skin>\xC6\xA4\xB7\xF4</skin>", true},
        {"GBK, the fault before the end", "<skin>\xC6\xA4\xB7\xF4</skin>\n<!-- \xC6\xA4 -->", true},
        {"no GB18030 either: a byte that begins no character", "<skin t=\"\xC6\xA4\xFF\"/>", false},
        {"no GB18030 either: a lead byte without its trail", "<skin t=\"\xC6\xA4\xB7\"/>", false},
        {"ASCII, mismatched tags", "<a></b>", false},
        {"ASCII, an invalid token", "<a>& </a>", false},
        {"UTF-8, mismatched tags", "<a>歌</b>", false},
        {"GBK, declared and well-formed", "<?xml version=\"1.0\" encoding=\"GBK\"?><a>\xC6\xA4</a>",
         false},
        {"UTF-16LE, a lone surrogate", Utf16("<window>歌\xE9</window>", false), false},
    };
    for (const auto& c : cases) {
        for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
            LayoutCheck check;
            check.Feed(std::string_view(c.bytes).substr(0, cut));
            check.Feed(std::string_view(c.bytes).substr(cut));
            EXPECT_EQ(check.Finish().looksLikeGb18030, c.gbk) << c.name << ", cut at " << cut;
        }
    }
}

// A layout is decoded as GB18030 when its declaration names GB18030, GBK or
// GB2312 exactly, in any case; to expat any other name is unknown.
TEST(LayoutCheck, DecodesTheGb18030FamilyByItsExactNamesInAnyCase) {
    const struct {
        const char* name;
        bool decoded;
    } cases[] = {
        {"GBK", true},       {"gbk", true},      {"gBk", true},    {"GB18030", true},
        {"gb18030", true},   {"GB2312", true},   {"Gb2312", true}, {"GBK-x", false},
        {"GBKx", false},     {"xGBK", false},    {"GB", false},    {"GB1803", false},
        {"GB180300", false}, {"GB-2312", false}, {"GB_K", false},
    };
    for (const auto& c : cases) {
        const std::string layout =
            "<?xml version=\"1.0\" encoding=\"" + std::string(c.name) + "\"?><w>\xD2\xB9</w>";
        const auto [wellFormed, line, column, reason] = Check({layout});
        EXPECT_EQ(wellFormed, c.decoded) << c.name;
        EXPECT_EQ(reason, c.decoded ? "" : "unknown encoding") << c.name;
    }
}

TEST(MultiBitmapCheck, WantsBothUidsLittleEndianWhereverTheBytesAreCut) {
    const struct {
        std::string bytes;
        bool isMultiBitmap;
    } cases[] = {
        {std::string("\x37\x00\x00\x10\x42\x00\x00\x10\x00\x00\x00\x00", 12), true},
        {std::string("\x37\x00\x00\x10\x42\x00\x00", 7), false},      // cut short
        {std::string("\x37\x00\x00\x10\x41\x00\x00\x10", 8), false},  // another UID
        {std::string("\x10\x00\x00\x37\x10\x00\x00\x42", 8), false},  // big-endian
        {"", false},
    };
    for (const auto& c : cases) {
        for (std::size_t cut = 0; cut <= c.bytes.size(); ++cut) {
            MultiBitmapCheck check;
            check.Feed(std::string_view(c.bytes).substr(0, cut));
            check.Feed(std::string_view(c.bytes).substr(cut));
            EXPECT_EQ(check.IsMultiBitmap(), c.isMultiBitmap)
                << testing::PrintToString(c.bytes) << " cut at " << cut;
        }
    }
}

// The report's library keeps UTF-8 as it is, on every system.
TEST(Json, KeepsUtf8TextAsItIs) {
    const nlohmann::json report = {{"skin", "夜曲"}, {"reason", "不是 GBK 编码的字节"}};
    const std::string text = report.dump();
    EXPECT_EQ(text, "{\"reason\":\"不是 GBK 编码的字节\",\"skin\":\"夜曲\"}");
    EXPECT_EQ(nlohmann::json::parse(text), report);
}

}  // namespace
}  // namespace pipeline

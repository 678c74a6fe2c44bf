#include "platform/text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>

#include "platform/message.h"

namespace platform {
namespace {

TEST(Utf8, RoundTripsValidText) {
    for (const std::u16string text :
         {u"", u"skin.xml", u"夜曲.pxa", u"\U0001F3B5 note", u"caf\u00e9"}) {
        EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
    }
    EXPECT_EQ(Utf16ToUtf8(u"夜"), "\xe5\xa4\x9c");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F3B5"), "\xf0\x9f\x8e\xb5");
}

TEST(Utf8, UndecodableBytesTravelAsEscapesAndComeBack) {
    const struct {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"caf\xe9", u"caf\xdce9"},                          // Latin-1
        {"\xc0\xaf", u"\xdcc0\xdcaf"},                      // overlong "/"
        {"\xed\xa0\x80", u"\xdced\xdca0\xdc80"},            // an encoded surrogate
        {"\xe5\xa4", u"\xdce5\xdca4"},                      // cut short
        {"\xf4\x90\x80\x80", u"\xdcf4\xdc90\xdc80\xdc80"},  // past U+10FFFF
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.bytes), c.text);
        EXPECT_EQ(Utf16ToUtf8(c.text), c.bytes);
    }
    // Other lone surrogates cannot be written as UTF-8.
    EXPECT_EQ(Utf16ToUtf8(u"a\xd800z"), "a\xef\xbf\xbdz");
}

TEST(Utf16, IsValidWhenEverySurrogateStandsInAPair) {
    const struct {
        std::u16string text;
        bool valid;
    } cases[] = {
        {u"", true},
        {u"\xD7FF\xE000", true},  // beside the surrogates
        {u"\xD800\xDC00", true},  // the first pair
        {u"\xDBFF\xDFFF", true},  // the last pair
        {u"a\xD800", false},      // a high one at the end
        {u"\xD800"
         u"a\xDC00",
         false},
        {u"\xDFFF", false},  // a low one alone
        {u"\xDC00\xD800", false},
        {u"\xDBFF\xDBFF\xDC00", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidUtf16(c.text), c.valid) << testing::PrintToString(c.text);
    }
}

// Simple case folding at the edges of its table's rows: the first and last
// letter of a run, of a run of every second letter and of a one-letter row,
// folding up and down, in and past the BMP, and the letters beside them that
// no row folds.
TEST(FoldCase, FoldsEachRowFromItsFirstLetterToItsLast) {
    const struct {
        char32_t letter, folded;
    } cases[] = {
        {0x00040, 0x00040},                                          // before the first row
        {0x00041, 0x00061},                                          // A..Z
        {0x0005A, 0x0007A}, {0x0005B, 0x0005B}, {0x00061, 0x00061},  // lower case already
        {0x000B5, 0x003BC},                                          // a one-letter row
        {0x000D6, 0x000F6},                                          // two runs around a sign
        {0x000D7, 0x000D7}, {0x000D8, 0x000F8}, {0x000DE, 0x000FE},
        {0x000DF, 0x000DF},  // full folding would make it two letters
        {0x00100, 0x00101},  // every second letter
        {0x00101, 0x00101}, {0x0012E, 0x0012F}, {0x0012F, 0x0012F},
        {0x00178, 0x000FF},                                          // a one-letter row, down
        {0x00189, 0x00256},                                          // a two-letter run
        {0x0018A, 0x00257}, {0x013F8, 0x013F0},                      // a run, down
        {0x013FD, 0x013F5}, {0x013FE, 0x013FE}, {0x01F59, 0x01F51},  // every second letter, down
        {0x01F5A, 0x01F5A}, {0x01F5F, 0x01F57}, {0x0212A, 0x0006B},  // the Kelvin sign to k
        {0x10400, 0x10428},                                          // past the BMP
        {0x10427, 0x1044F}, {0x1E900, 0x1E922},                      // the last row
        {0x1E921, 0x1E943}, {0x1E922, 0x1E922}, {0x10FFFF, 0x10FFFF},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FoldCase(c.letter), c.folded) << std::hex << static_cast<std::uint32_t>(c.letter);
    }
    // In UTF-16, a pair folds as its code point; a lone surrogate stays.
    EXPECT_EQ(FoldCase(u"A\U00010400\xD801z"), u"a\U00010428\xD801z");
}

// On a terminal a name's control characters show as \xNN: C0, DEL and C1 up
// to the characters beside them. The program's own words stay as they are.
TEST(Controls, ShowAsHexInNamesOnTheTerminal) {
    const struct {
        char16_t c;
        std::u16string shown;
    } cases[] = {
        {0x00, u"\\x00"}, {0x1F, u"\\x1F"}, {0x20, u" "},     {0x7E, u"~"},
        {0x7F, u"\\x7F"}, {0x80, u"\\x80"}, {0x9F, u"\\x9F"}, {0xA0, u"\u00A0"},
    };
    for (const auto& c : cases) {
        const std::u16string text = {u'a', c.c};
        EXPECT_EQ(ShowControls(text), u"a" + c.shown) << static_cast<int>(c.c);
        const Message message = Message(text) + Message::Name(text);
        EXPECT_EQ(message.ForTerminal(), text + u"a" + c.shown) << static_cast<int>(c.c);
        EXPECT_EQ(message.Plain(), text + text);
    }
}

// A status line is cut to the terminal's width, a Chinese character taking
// two columns and no surrogate pair cut in two.
TEST(Columns, FitTheTextToTheWidth) {
    const struct {
        std::u16string_view text;
        std::size_t columns;
        std::u16string_view fits;
    } cases[] = {
        {u"abc", 3, u"abc"},     {u"abc", 2, u"ab"},         {u"进度 1", 3, u"进"},
        {u"进度 1", 4, u"进度"}, {u"a\U0001F600b", 4, u"a"}, {u"a\U0001F600b", 5, u"a\U0001F600"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitToColumns(c.text, c.columns), c.fits) << c.columns;
        EXPECT_LE(DisplayColumns(FitToColumns(c.text, c.columns)), c.columns);
    }
}

TEST(Decimal, PrintsDigitsOnly) {
    EXPECT_EQ(ToDecimal(0), u"0");
    EXPECT_EQ(ToDecimal(2048), u"2048");
    EXPECT_EQ(ToDecimal(4294967295u), u"4294967295");
}

// The packer's fixed texts are GBK on Windows whatever the code page; on
// Linux they follow the locale, here a GBK one.
TEST(ConsoleText, FixedTextsInGbk) {
    const char* before = std::setlocale(LC_ALL, nullptr);
    const std::string saved = before ? before : "C";
    if (!std::setlocale(LC_ALL, "zh_CN.GBK")) GTEST_SKIP() << "no zh_CN.GBK locale";
    EXPECT_EQ(ToConsoleFixedText(u"\t5 字节\n"), "\t5 \xd7\xd6\xbd\xda\n");
    EXPECT_EQ(ToConsoleFixedText(u" 个文件被打包."),
              " \xb8\xf6\xce\xc4\xbc\xfe\xb1\xbb\xb4\xf2\xb0\xfc.");
    std::setlocale(LC_ALL, saved.c_str());
}

#ifndef _WIN32
TEST(LocaleText, GbkLocaleConvertsBothWaysAndKeepsOddBytes) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "zh_CN.GBK")) GTEST_SKIP() << "no zh_CN.GBK locale";
    EXPECT_EQ(ToThreadAnsi(u"夜曲.xml"), "\xd2\xb9\xc7\xfa.xml");
    EXPECT_EQ(FromThreadAnsi("\xd2\xb9\xc7\xfa.xml"), u"夜曲.xml");
    // A byte that starts no GBK character survives the round trip.
    EXPECT_EQ(ToThreadAnsi(FromThreadAnsi("a\xff.xml")), "a\xff.xml");
    // A character GBK lacks becomes '?'.
    EXPECT_EQ(ToThreadAnsi(u"\U0001F3B5.xml"), "?.xml");
    std::setlocale(LC_ALL, saved.c_str());
}
#endif

}  // namespace
}  // namespace platform

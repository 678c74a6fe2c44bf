#include "platform/text.h"

#include <gtest/gtest.h>

#include <clocale>

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

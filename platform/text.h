// Text in the code pages the programs meet: UTF-16 inside, 8-bit outside.
//
// "Thread ANSI" is the code page Windows gives the current thread
// (CP_THREAD_ACP); elsewhere it is the character set of the C locale, which
// a program selects with setlocale(LC_ALL, "") at start. The plain C locale
// counts as UTF-8, so non-ASCII names survive on machines without a locale.
//
// Outside Windows, bytes that the character set cannot decode are carried
// through as the lone UTF-16 units U+DC80..U+DCFF and turned back into the
// same bytes on the way out, so any file name on disk can be reopened.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Strict UTF-8 to UTF-16; undecodable bytes become U+DC80..U+DCFF.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8; U+DC80..U+DCFF alone become their byte again, other
// unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16 to the thread's ANSI code page. Characters the code page lacks
// become its best-fit or default character.
std::string ToThreadAnsi(std::u16string_view text);
// The thread's ANSI code page to UTF-16.
std::u16string FromThreadAnsi(std::string_view text);
// The system's ANSI code page (CP_ACP) to UTF-16: how Windows console
// programs' output is read.
std::u16string FromSystemAnsi(std::string_view text);

// The bytes in which the packer's fixed console texts are written: GBK
// (code page 936) on Windows, whatever the system's code page, because that
// is what the packing tool decodes on the systems it addresses; elsewhere the
// locale's character set, so a terminal shows them as they are.
std::string ToConsoleFixedText(std::u16string_view text);

// Simple Unicode case folding of every letter (one code point to one), the
// same on every system: how names are compared where letter case does not
// count. Lone surrogates stay as they are.
char32_t FoldCase(char32_t c);
std::u16string FoldCase(std::u16string_view text);

// Whether the character is a control character: C0 (below U+0020), DEL
// (U+007F) or C1 (U+0080 to U+009F, which 8-bit terminals obey too).
bool IsControl(char16_t c);
// The text with its control characters as "\x" and two hexadecimal digits,
// so that showing it can neither move a terminal's cursor nor start a line.
std::u16string ShowControls(std::u16string_view text);

// Whether two texts are equal when letter case is ignored (FoldCase).
bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b);

// A number in decimal digits, as the programs print sizes and counts.
std::u16string ToDecimal(unsigned long long value);

}  // namespace platform

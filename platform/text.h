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

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Strict UTF-8 to UTF-16; undecodable bytes become U+DC80..U+DCFF.
std::u16string Utf8ToUtf16(std::string_view text);
// UTF-16 to UTF-8; U+DC80..U+DCFF alone become their byte again, other
// unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16 to UTF-8 of Unicode characters only, for formats that must be
// valid UTF-8 (JSON): every unpaired surrogate, U+DC80..U+DCFF included,
// becomes U+FFFD.
std::string Utf16ToUnicodeUtf8(std::u16string_view text);

// Whether every surrogate stands in a pair, high then low.
bool IsValidUtf16(std::u16string_view text);

// The UTF-16 units as bytes, little-endian.
std::string Utf16LeBytes(std::u16string_view text);

// A name's units as the system holds them: outside Windows its bytes, as
// ToThreadAnsi gives them (U+DC80..U+DCFF their bytes again); on Windows its
// UTF-16 units, little-endian.
std::string SystemNameBytes(std::u16string_view name);

// Appends the UTF-8 of one code point (up to U+10FFFF).
void AppendUtf8(std::string& out, char32_t cp);

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
// The text with its control characters as "\x" and two hexadecimal digits
// (upper case), so that showing it can neither move a terminal's cursor nor
// start a line.
std::u16string ShowControls(std::u16string_view text);

// Appends the last `digits` hexadecimal digits of `value`, most significant
// first.
enum class HexLetters { kLower, kUpper };
void AppendHex(std::string& out, unsigned long long value, int digits,
               HexLetters letters = HexLetters::kLower);
void AppendHex(std::u16string& out, unsigned long long value, int digits,
               HexLetters letters = HexLetters::kLower);

// Whether two texts are equal when letter case is ignored (FoldCase).
bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b);

// A number in decimal digits, as the programs print sizes and counts.
std::u16string ToDecimal(unsigned long long value);

// How many columns of a terminal the text takes, a Chinese character (or
// any from U+2E80 on) two: never fewer than it shows in.
std::size_t DisplayColumns(std::u16string_view text);
// The longest start of the text that takes at most `columns` columns, no
// surrogate pair cut in two.
std::u16string_view FitToColumns(std::u16string_view text, std::size_t columns);

// GB18030, which Chinese editors write, decoded into UTF-8 as its bytes
// stream past; GBK and GB2312 are subsets of it and are read with it, as web
// browsers read them. A character is one byte (ASCII, and 0x80: the euro
// sign, where code page 936 has it), two bytes (a lead byte 0x81..0xFE and a
// trail byte 0x40..0x7E or 0x80..0xFE) or four (lead, 0x30..0x39, lead,
// 0x30..0x39). Two-byte characters are looked up in the system's tables:
// iconv's GB18030 on Linux, code page 936 on Windows (GB18030's own, 54936,
// is missing from Wine, which the Windows tests run under). The two accept
// the same sequences and differ in about a hundred of them, which one maps
// to the private use area and the other to a standard character. Four-byte
// characters are computed, alike on every system.
class Gb18030Decoder {
  public:
    // Appends the UTF-8 of each character that `bytes` completes, with what
    // an earlier call left over, to `out`. False at the first byte that
    // begins no character: `out` then ends with the character before it, and
    // later calls decode nothing.
    bool Decode(std::string_view bytes, std::string& out);
    // Reads the bytes as Decode does, keeping nothing: false at the first
    // byte that begins no character. Every two-byte character of the form
    // counts as one, without asking the system's tables.
    bool Accepts(std::string_view bytes);
    // Whether the bytes so far end inside a character: at the end of the
    // text, a fault.
    bool InCharacter() const { return m_pendingSize != 0; }

  private:
    // Decode, or Accepts without `out`.
    bool Read(std::string_view bytes, std::string* out);
    // These two set m_failed at a byte that begins no character.
    void CompletePending(std::string_view& bytes, std::string* out);
    void DecodeFrom(std::string_view bytes, std::string* out);
    // DecodeShortRun, or where the system refuses the run, each character
    // of it up to the one refused.
    bool DecodeRun(std::string_view run, std::string& out);
    // A run of one- and two-byte characters, whole, through the system's
    // tables; false, and nothing appended, when they refuse one of them.
    // Defined with the other code-page conversions, in text_<system>.cpp.
    static bool DecodeShortRun(std::string_view run, std::string& out);

    char m_pending[3] = {};  // a character begun at the end of the last call
    std::size_t m_pendingSize = 0;
    bool m_failed = false;
};

}  // namespace platform

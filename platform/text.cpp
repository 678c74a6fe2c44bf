#include "platform/text.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char16_t kEscapeBase = 0xDC00;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

void AppendUtf16(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when the
// bytes there are not a well-formed shortest-form sequence.
size_t DecodeUtf8(std::string_view text, size_t i, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length;
    char32_t min;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, min = 0x80, cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, min = 0x800, cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, cp = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + k]);
        if (!IsContinuation(byte)) return 0;
        cp = (cp << 6) | (byte & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

// Decodes the code point at text[i]: a surrogate pair, or one unit (a lone
// surrogate as itself); returns how many units it took.
size_t DecodeUtf16(std::u16string_view text, size_t i, char32_t& cp) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
        cp = 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00);
        return 2;
    }
    cp = unit;
    return 1;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

namespace {

// `escapes`: U+DC80..U+DCFF alone become their byte again, as the escapes of
// undecodable bytes; otherwise they are unpaired surrogates like any other.
std::string EncodeUtf8(std::u16string_view text, bool escapes) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        i += DecodeUtf16(text, i, cp);
        if (escapes && cp >= 0xDC80 && cp <= 0xDCFF) {
            out.push_back(static_cast<char>(cp - kEscapeBase));
        } else {
            AppendUtf8(out, cp >= 0xD800 && cp <= 0xDFFF ? kReplacement : cp);
        }
    }
    return out;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        const size_t length = DecodeUtf8(text, i, cp);
        if (length == 0) {
            out.push_back(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(text[i])));
            ++i;
        } else {
            AppendUtf16(out, cp);
            i += length;
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    return EncodeUtf8(text, true);
}

std::string Utf16ToUnicodeUtf8(std::u16string_view text) {
    return EncodeUtf8(text, false);
}

bool IsValidUtf16(std::u16string_view text) {
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        i += DecodeUtf16(text, i, cp);
        if (cp >= 0xD800 && cp <= 0xDFFF) return false;
    }
    return true;
}

std::string Utf16LeBytes(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::u16string FoldCase(std::u16string_view text) {
    std::u16string folded;
    folded.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t cp;
        i += DecodeUtf16(text, i, cp);
        AppendUtf16(folded, FoldCase(cp));
    }
    return folded;
}

bool EqualIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return FoldCase(a) == FoldCase(b);
}

bool IsControl(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

namespace {

std::size_t ColumnsOf(char16_t c) {
    return c >= 0x2E80 ? 2 : 1;
}

}  // namespace

std::size_t DisplayColumns(std::u16string_view text) {
    std::size_t columns = 0;
    for (char16_t c : text) columns += ColumnsOf(c);
    return columns;
}

std::u16string_view FitToColumns(std::u16string_view text, std::size_t columns) {
    std::size_t units = 0;
    for (std::size_t used = 0; units < text.size(); ++units) {
        used += ColumnsOf(text[units]);
        if (used > columns) break;
    }
    if (units < text.size() && units > 0 && text[units - 1] >= 0xD800 && text[units - 1] <= 0xDBFF)
        --units;
    return text.substr(0, units);
}

std::u16string ShowControls(std::u16string_view text) {
    std::u16string shown;
    shown.reserve(text.size());
    for (char16_t c : text) {
        if (IsControl(c)) {
            shown += u"\\x";
            AppendHex(shown, c, 2, HexLetters::kUpper);
        } else {
            shown += c;
        }
    }
    return shown;
}

namespace {

template <typename Text>
void AppendHexDigits(Text& out, unsigned long long value, int digits, HexLetters letters) {
    const char* const hex = letters == HexLetters::kUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4) out += hex[value >> shift & 0xF];
}

}  // namespace

void AppendHex(std::string& out, unsigned long long value, int digits, HexLetters letters) {
    AppendHexDigits(out, value, digits, letters);
}

void AppendHex(std::u16string& out, unsigned long long value, int digits, HexLetters letters) {
    AppendHexDigits(out, value, digits, letters);
}

std::u16string ToDecimal(unsigned long long value) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

}  // namespace platform

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <string>

#include "platform/text.h"

namespace platform {
namespace {

// The locale's character set; empty when it is UTF-8 or the plain C locale's
// ASCII, both of which are handled as UTF-8 without iconv.
std::string LocaleCharset() {
    const char* codeset = nl_langinfo(CODESET);
    std::string name = codeset ? codeset : "";
    std::string upper;
    for (char c : name) upper.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c);
    if (upper.empty() || upper == "UTF-8" || upper == "UTF8" || upper == "ANSI_X3.4-1968" ||
        upper == "ASCII" || upper == "US-ASCII") {
        return {};
    }
    return name;
}

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

  private:
    iconv_t cd_;
};

bool IsEscape(char16_t unit) {
    return unit >= 0xDC80 && unit <= 0xDCFF;
}

// Converts a run of UTF-16 without escape units; characters the character
// set lacks become '?'.
void EncodeRun(iconv_t cd, std::u16string_view run, std::string& out) {
    std::string input = Utf16LeBytes(run);
    char* in = input.data();
    size_t inLeft = input.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // An unconvertible character (or a stray surrogate): skip one code point.
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(in[0]) |
                                                static_cast<unsigned char>(in[1]) << 8);
        size_t skip = (unit >= 0xD800 && unit <= 0xDBFF && inLeft >= 4) ? 4 : 2;
        if (errno == EINVAL) skip = inLeft;
        out.push_back('?');
        in += skip;
        inLeft -= skip;
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
}

std::string EncodeLocale(std::u16string_view text) {
    const std::string charset = LocaleCharset();
    if (charset.empty()) return Utf16ToUtf8(text);
    Converter converter(charset.c_str(), "UTF-16LE");
    if (!converter.ok()) return Utf16ToUtf8(text);
    std::string out;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !IsEscape(text[i])) continue;
        EncodeRun(converter.get(), text.substr(start, i - start), out);
        if (i < text.size()) out.push_back(static_cast<char>(text[i] - 0xDC00));
        start = i + 1;
    }
    return out;
}

std::u16string DecodeLocale(std::string_view text) {
    const std::string charset = LocaleCharset();
    if (charset.empty()) return Utf8ToUtf16(text);
    Converter converter("UTF-16LE", charset.c_str());
    if (!converter.ok()) return Utf8ToUtf16(text);
    std::string input(text);
    char* in = input.data();
    size_t inLeft = input.size();
    std::string bytes;
    char buffer[512];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
        bytes.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (result != static_cast<size_t>(-1) || errno == E2BIG) continue;
        // An undecodable byte (or an incomplete sequence at the end) is
        // carried through as an escape unit.
        const char16_t escape = static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(*in));
        bytes.push_back(static_cast<char>(escape & 0xFF));
        bytes.push_back(static_cast<char>(escape >> 8));
        ++in;
        --inLeft;
    }
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                            static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return out;
}

}  // namespace

std::string ToThreadAnsi(std::u16string_view text) {
    return EncodeLocale(text);
}
std::string SystemNameBytes(std::u16string_view name) {
    return EncodeLocale(name);
}
std::u16string FromThreadAnsi(std::string_view text) {
    return DecodeLocale(text);
}
std::u16string FromSystemAnsi(std::string_view text) {
    return DecodeLocale(text);
}
std::string ToConsoleFixedText(std::u16string_view text) {
    return EncodeLocale(text);
}

bool Gb18030Decoder::DecodeShortRun(std::string_view run, std::string& out) {
    // One converter per thread: opening one costs more than a run.
    thread_local Converter converter("UTF-8", "GB18030");
    if (!converter.ok()) return false;
    // A one-byte character takes one byte of UTF-8, a two-byte one at most four.
    const std::size_t start = out.size();
    out.resize(start + run.size() * 2);
    char* in = const_cast<char*>(run.data());  // iconv reads its input only
    std::size_t inLeft = run.size();
    char* to = out.data() + start;
    std::size_t toLeft = run.size() * 2;
    iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    const bool decoded =
        iconv(converter.get(), &in, &inLeft, &to, &toLeft) != static_cast<size_t>(-1);
    out.resize(decoded ? static_cast<std::size_t>(to - out.data()) : start);
    return decoded;
}

}  // namespace platform

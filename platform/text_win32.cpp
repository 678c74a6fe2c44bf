#include <windows.h>

#include "platform/text.h"

namespace platform {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::string Encode(UINT codePage, std::u16string_view text) {
    if (text.empty()) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(codePage, 0, wide, length, out.data(), size, nullptr, nullptr);
    return out;
}

std::u16string Decode(UINT codePage, std::string_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    std::u16string out(static_cast<size_t>(size > 0 ? size : 0), u'\0');
    if (size > 0) {
        MultiByteToWideChar(codePage, 0, text.data(), length,
                            reinterpret_cast<wchar_t*>(out.data()), size);
    }
    return out;
}

constexpr UINT kGbkCodePage = 936;

}  // namespace

std::string ToThreadAnsi(std::u16string_view text) {
    return Encode(CP_THREAD_ACP, text);
}
std::u16string FromThreadAnsi(std::string_view text) {
    return Decode(CP_THREAD_ACP, text);
}
std::u16string FromSystemAnsi(std::string_view text) {
    return Decode(CP_ACP, text);
}
std::string ToConsoleFixedText(std::u16string_view text) {
    return Encode(kGbkCodePage, text);
}
std::string SystemNameBytes(std::u16string_view name) {
    return Utf16LeBytes(name);
}

bool Gb18030Decoder::DecodeShortRun(std::string_view run, std::string& out) {
    const int length = static_cast<int>(run.size());
    const int size =
        MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, run.data(), length, nullptr, 0);
    if (size <= 0) return false;
    std::u16string wide(static_cast<size_t>(size), u'\0');
    MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, run.data(), length,
                        reinterpret_cast<wchar_t*>(wide.data()), size);
    out += Utf16ToUtf8(wide);
    return true;
}

}  // namespace platform

// A console program for the runner's tests. Its first argument says what to
// print:
//   bytes N      N bytes of the alphabet, over and over
//   split        8095 'a', then the GBK bytes of one character (D7 D6), so
//                the character spans the first 8096-byte read
//   streams      "out" on standard output, "err" on standard error
//   argument A   "same" when A arrived exactly as the tests pass it, else
//                "different"
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring what = argv[1];
    if (what == L"bytes" && argc == 3) {
        const long count = std::wcstol(argv[2], nullptr, 10);
        for (long i = 0; i < count; ++i) std::fputc('a' + i % 26, stdout);
    } else if (what == L"split") {
        for (int i = 0; i < 8095; ++i) std::fputc('a', stdout);
        std::fputs("\xd7\xd6", stdout);
    } else if (what == L"streams") {
        std::fputs("out", stdout);
        std::fflush(stdout);
        std::fputs("err", stderr);
    } else if (what == L"argument" && argc == 3) {
        std::fputs(std::wstring(argv[2]) == L"D:\\\u591c\u66f2 \u2603\\\u00fcn\u00ef.pak" ? "same" : "different",
                   stdout);
    } else {
        return 2;
    }
    return 0;
}

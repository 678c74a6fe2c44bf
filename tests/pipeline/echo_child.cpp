// A console program for the runner's tests. Its first argument says what to
// print:
//   bytes N      N bytes of the alphabet, over and over
//   split        8095 'a', then one character in the ANSI code page of the
//                tests (GBK D7 D6 on Windows, UTF-8 elsewhere), so that it
//                spans the first 8096-byte read
//   streams      "out" on standard output, "err" on standard error
//   arguments A...  "same" when the arguments arrived exactly as the tests
//                pass them, else "different"
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#ifdef _WIN32
#define ARG(text) L##text
using Arg = std::wstring;
const char kCharacter[] = "\xd7\xd6";
#else
#define ARG(text) text
using Arg = std::string;
const char kCharacter[] = "\xe5\xad\x97";
#endif

int Run(int argc, const Arg* argv) {
    if (argc < 2) return 2;
    const Arg& what = argv[1];
    if (what == ARG("bytes") && argc == 3) {
        const long count = std::stol(argv[2]);
        for (long i = 0; i < count; ++i) std::fputc('a' + i % 26, stdout);
    } else if (what == ARG("split")) {
        for (int i = 0; i < 8095; ++i) std::fputc('a', stdout);
        std::fputs(kCharacter, stdout);
    } else if (what == ARG("streams")) {
        std::fputs("out", stdout);
        std::fflush(stdout);
        std::fputs("err", stderr);
    } else if (what == ARG("arguments")) {
        const Arg expected[] = {ARG("D:\\\u591c\u66f2 \u2603\\\u00fcn\u00ef.pak"), ARG("a\"b"),
                                ARG("ends in \\"), ARG(""), ARG("two  blanks\\\\\"")};
        bool same = argc == 2 + static_cast<int>(std::size(expected));
        for (int i = 2; same && i < argc; ++i) same = argv[i] == expected[i - 2];
        std::fputs(same ? "same" : "different", stdout);
    } else {
        return 2;
    }
    return 0;
}

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    return Run(argc, std::vector<Arg>(argv, argv + argc).data());
}

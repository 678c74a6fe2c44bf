#include <string>
#include <vector>

#include "packer/command_line.h"
#include "platform/wide.h"

int wmain(int argc, wchar_t** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(platform::FromWide(argv[i]));
    quill::StdoutConsole console;
    return quill::RunQuill(args, console);
}

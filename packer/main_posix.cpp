#include <clocale>
#include <string>
#include <vector>

#include "packer/command_line.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(platform::FromThreadAnsi(argv[i]));
    quill::StdoutConsole console;
    return quill::RunQuill(args, console);
}

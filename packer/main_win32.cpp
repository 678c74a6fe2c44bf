#include "packer/command_line.h"
#include "platform/program.h"

int wmain(int argc, wchar_t** argv) {
    return quill::QuillMain(platform::StartConsoleProgram(argc, argv));
}

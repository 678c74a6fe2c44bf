#include "packer/command_line.h"
#include "platform/program.h"

int main(int argc, char** argv) {
    return quill::QuillMain(platform::StartConsoleProgram(argc, argv));
}

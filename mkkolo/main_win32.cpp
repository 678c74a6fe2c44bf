#include "mkkolo/command_line.h"
#include "platform/program.h"

int wmain(int argc, wchar_t** argv) {
    return mkkolo::MkkoloMain(platform::StartConsoleProgram(argc, argv));
}

#include "mkkolo/command_line.h"
#include "platform/program.h"

int main(int argc, char** argv) {
    return mkkolo::MkkoloMain(platform::StartConsoleProgram(argc, argv));
}

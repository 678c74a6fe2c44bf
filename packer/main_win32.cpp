#include <string>
#include <vector>

#include "packer/command_line.h"
#include "platform/interrupt.h"
#include "platform/wide.h"

int wmain(int argc, wchar_t** argv) {
    // Stopped, the packer removes its temporary file first; see below.
    platform::CatchInterrupts();
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(platform::FromWide(argv[i]));
    quill::StdoutConsole console;
    const int status = quill::RunQuill(args, console);
    // Cut short, the package is not made: the program ends as the request
    // says. One that came once the package was written changes nothing.
    if (status != quill::kExitOk && platform::InterruptRequested()) platform::EndAsInterrupted();
    return status;
}

#include <clocale>
#include <csignal>
#include <string>
#include <vector>

#include "packer/command_line.h"
#include "platform/interrupt.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    // Stopped, the packer removes its temporary file first; see below.
    platform::CatchInterrupts();
    // A reader that goes away (quill ... | head) costs the summary, not the
    // package.
    std::signal(SIGPIPE, SIG_IGN);
    std::setlocale(LC_ALL, "");
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(platform::FromThreadAnsi(argv[i]));
    quill::StdoutConsole console;
    const int status = quill::RunQuill(args, console);
    // Cut short, the package is not made: the program ends as the request
    // says. One that came once the package was written changes nothing.
    if (status != quill::kExitOk && platform::InterruptRequested()) platform::EndAsInterrupted();
    return status;
}

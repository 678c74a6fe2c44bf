#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "mkkolo/command_line.h"
#include "platform/interrupt.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    // Ctrl+C lets the run stop cleanly: see RunMkkolo.
    platform::CatchInterrupts();
    std::setlocale(LC_ALL, "");
    // A reader that goes away (mkkolo ... | head) must not end the run half
    // way: the jobs finish, only their texts are lost.
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(platform::FromThreadAnsi(argv[i]));
    mkkolo::Environment environment;
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        environment.sourceDateEpoch = platform::FromThreadAnsi(epoch);
    }
    environment.processors = std::max(1u, std::thread::hardware_concurrency());
    mkkolo::StandardConsole console;
    return mkkolo::RunMkkolo(args, environment, console);
}

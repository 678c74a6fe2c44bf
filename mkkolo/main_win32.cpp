#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "mkkolo/command_line.h"
#include "platform/interrupt.h"
#include "platform/wide.h"

int wmain(int argc, wchar_t** argv) {
    // Ctrl+C lets the run stop cleanly: see RunMkkolo.
    platform::CatchInterrupts();
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(platform::FromWide(argv[i]));
    mkkolo::Environment environment;
    if (const wchar_t* epoch = _wgetenv(L"SOURCE_DATE_EPOCH")) {
        environment.sourceDateEpoch = platform::FromWide(epoch);
    }
    environment.processors = std::max(1u, std::thread::hardware_concurrency());
    mkkolo::StandardConsole console;
    return mkkolo::RunMkkolo(args, environment, console);
}

// `run_limited NOFILE FSIZE AS PROGRAM ARG...`: PROGRAM under lower limits
// of the system's (how many files it may hold open, how large a file it may
// write, how much memory it may map; 0 leaves one as it is). RunProgram
// starts a program so when the test asks for limits: they hold from the
// program's first instruction, and the test's own stay as they are.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    constexpr int kResources[] = {RLIMIT_NOFILE, RLIMIT_FSIZE, RLIMIT_AS};
    constexpr int kCount = static_cast<int>(sizeof kResources / sizeof kResources[0]);
    if (argc < kCount + 2) {
        std::fprintf(stderr, "usage: run_limited NOFILE FSIZE AS PROGRAM [ARG...]\n");
        return 127;
    }
    for (int i = 0; i < kCount; ++i) {
        const unsigned long long limit = std::strtoull(argv[1 + i], nullptr, 10);
        if (limit == 0) continue;
        rlimit lowered{};
        getrlimit(kResources[i], &lowered);
        lowered.rlim_cur = limit;
        if (setrlimit(kResources[i], &lowered) != 0) {
            std::perror("run_limited: setrlimit");
            return 127;
        }
    }
    execv(argv[kCount + 1], argv + kCount + 1);
    std::perror("run_limited: execv");
    return 127;
}

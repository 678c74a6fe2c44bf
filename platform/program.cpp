#include <algorithm>
#include <thread>

#include "platform/program.h"

namespace platform {

unsigned ProcessorCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace platform

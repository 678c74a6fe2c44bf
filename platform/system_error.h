// A failure as the system reported it, and the system's own words for it,
// for messages that tell a person why.
#pragma once

#include <string>

namespace platform {

struct SystemError {
    int code = 0;  // errno outside Windows, GetLastError() on Windows; 0 for none
};

// The failure of the call that just failed on this thread. Take it at once:
// later calls may change it.
SystemError LastSystemError();

// The system's words for the failure ("Too many open files"), in the
// user's language where the system has it; empty for none.
std::u16string Describe(SystemError error);

}  // namespace platform

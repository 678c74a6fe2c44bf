// A failure as the system reported it, and the system's own words for it,
// for messages that tell a person why.
#pragma once

#include <string>

namespace platform {

struct SystemError {
    int code = 0;  // errno outside Windows, GetLastError() on Windows; 0 for none
    // No call of the system's failed: the platform layer refused a path on
    // its own, as what was to be read as a file is a folder, a device or a
    // pipe. The system has no code that says so on every system.
    bool notAFile = false;
};

// The failure of the call that just failed on this thread. Take it at once:
// later calls may change it.
SystemError LastSystemError();

// The system's words for the failure ("Too many open files"), in the
// user's language where the system has it; empty for none.
std::u16string Describe(SystemError error);

// What a failure means, whatever the system's code for it:
// nothing at the path, or no folder on its way;
bool IsMissing(SystemError error);
// another program holds the file open (only Windows refuses so);
bool IsInUse(SystemError error);
// something stands at the path that was to be made or taken;
bool AlreadyExists(SystemError error);
// the volume, or the user's quota on it, has no room left.
bool IsDiskFull(SystemError error);

inline SystemError NotAFile() {
    return {0, true};
}
inline bool IsNotAFile(SystemError error) {
    return error.notAFile;
}

}  // namespace platform

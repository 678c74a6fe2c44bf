// The packer's command line:
//   quill [-n package-name] output-file input-file [input-file ...]
#pragma once

#include <string>
#include <vector>

#include "platform/console.h"

namespace quill {

constexpr int kExitOk = 0;
constexpr int kExitUsage = -1;
// The package could not be made: nothing to pack, a bad name, or a failed write.
constexpr int kExitFailed = 1;

// Runs the packer on the arguments that follow the program name and returns
// the exit status.
int RunQuill(const std::vector<std::u16string>& args, platform::Console& console);

// The program: RunQuill on standard output; stopped while it packs, it ends
// as the request says once its temporary file is gone.
int QuillMain(const std::vector<std::u16string>& args);

}  // namespace quill

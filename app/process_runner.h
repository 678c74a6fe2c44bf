// Running the packer as a child process and collecting what it prints.
#pragma once

#include <string>
#include <string_view>

#include "app/pack_skin.h"

namespace vellum {

// Starts a console program hidden and appends everything it prints to
// `log`, decoded from the system's ANSI code page. The command line is the
// program, a blank and the arguments; the program is looked for beside this
// executable first. Returns false, after logging
// "Execute Commnand:<command line> Failure!\n", when the program could not be
// started.
bool ExecuteCommand(std::u16string_view program, std::u16string_view arguments,
                    std::u16string& log);

// The packer as a child process: quill with the package path and the two
// inputs.
class QuillProcessPacker final : public Packer {
  public:
    bool Pack(std::u16string_view pakPath, std::u16string_view first, std::u16string_view second,
              std::u16string& log) override;
};

}  // namespace vellum

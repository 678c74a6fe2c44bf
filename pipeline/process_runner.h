// Running the packer as a child process and collecting what it prints.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/pack_skin.h"

namespace pipeline {

// Starts a console program hidden with the arguments and appends everything
// it prints to `log`, decoded from the system's ANSI code page; the program
// is looked for beside this executable first. Returns its exit status, or
// nothing, after logging "Execute Commnand:<program>  "<arg>" ... Failure!\n",
// when the program could not be started.
std::optional<int> ExecuteCommand(std::u16string_view program,
                                  const std::vector<std::u16string>& args, std::u16string& log);

// The packer as a child process: quill with the package path and the two
// inputs. Its exit status tells whether it made the package.
class QuillProcessPacker final : public Packer {
  public:
    PackerRun Pack(std::u16string_view pakPath, std::u16string_view first,
                   std::u16string_view second) override;
};

}  // namespace pipeline

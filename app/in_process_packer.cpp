#include "app/in_process_packer.h"

#include <vector>

#include "packer/command_line.h"
#include "packer/console.h"

namespace vellum {

bool InProcessPacker::Pack(std::u16string_view pakPath, std::u16string_view first,
                           std::u16string_view second, std::u16string& log) {
    quill::CapturingConsole console;
    // The same arguments the child process would get; like its exit status,
    // the result plays no part: what went wrong stands in the texts, and no
    // package means no .kolo.
    quill::RunQuill({std::u16string(pakPath), std::u16string(first), std::u16string(second)},
                    console);
    log += console.text();
    return true;
}

}  // namespace vellum

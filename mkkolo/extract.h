// -x: the entries of the files looked inside written into a folder.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "mkkolo/examined_file.h"
#include "platform/console.h"

namespace mkkolo {

// Each entry is written complete or not at all, and only once the whole
// file has been read and found right; a name that cannot be a file's in
// every system, or that an earlier entry of the file has (letter case aside),
// is refused. Across the files of one run, nothing the run extracted is
// replaced, --force or not.
class Extraction {
  public:
    // Into `folder`, which exists; `force`: replacing the files that stand
    // at the entries' names. `console` must outlive the object.
    Extraction(std::u16string folder, bool force, platform::Console& console)
        : m_folder(std::move(folder)), m_force(force), m_console(console) {}

    // Writes out the file's entries; false when one was not written.
    bool Extract(ExaminedFile& file, const std::u16string& path);

  private:
    const std::u16string m_folder;
    const bool m_force;
    platform::Console& m_console;
    // What the run extracted so far: by the name folded to one case, the
    // file's path.
    std::map<std::u16string, std::u16string> m_extracted;
};

}  // namespace mkkolo

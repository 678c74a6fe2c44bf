// The skin files that the paths on mkkolo's command line name.
#pragma once

#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/pack_skin.h"
#include "platform/files.h"
#include "platform/message.h"

namespace mkkolo {

// Why a file could not be opened to be read: the system's words, or that
// it is no file.
std::u16string WhyNotOpened(platform::SystemError error);

// Whether a folder's file is taken as a skin file: .xml, .pxa or .mbm, in
// any letter case.
bool IsSkinFile(std::u16string_view name);

// Files that pair with one another into skins, and where those go.
struct InputSet {
    // Below the output folder: empty for the output folder itself, else a
    // relative folder without a separator at its end.
    std::u16string folder;
    std::list<pipeline::InputFile> files;
};

struct InputScan {
    std::vector<InputSet> sets;
    // A line for each path that names nothing readable.
    platform::Message problems;
    // A line for each folder whose folders were not searched.
    platform::Message notes;
};

// The files the paths name, in command-line order, as the dialog
// application's file list would hold them: a file as named, whatever its
// extension; for a folder, its .xml, .pxa and .mbm files (extension in any
// case), and with `recursive` those of the folders inside it at any depth,
// links to folders not followed; ordered by the UTF-16 code units of their
// names. A path that reaches the list a second time is not taken again.
// Without `recursive` they are one set. With it, each folder searched is a
// set of its own, which goes to the same folder below the output folder as
// it lies below the folder given; the folders of one path come in the order
// of the UTF-16 code units of their paths below it, with the system's
// separator; the files named as files are one set, for the output folder.
InputScan ScanInputs(const std::vector<std::u16string>& paths, bool recursive);

}  // namespace mkkolo

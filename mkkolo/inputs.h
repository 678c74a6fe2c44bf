// The skin files that the paths on mkkolo's command line name.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "pipeline/pack_skin.h"
#include "platform/files.h"
#include "platform/message.h"

namespace mkkolo {

// Why a file could not be opened to be read: the system's words, or that
// it is no file.
std::u16string WhyNotOpened(const platform::OpenError& error);

// The files the paths name, in command-line order, as the dialog
// application's file list would hold them: a file as named, whatever its
// extension; for a folder, its .xml, .pxa and .mbm files (extension in any
// case; not those of folders inside it), in the order of their names' UTF-16
// code units. A path that reaches the list a second time is not taken again.
// Each path that names nothing readable adds a line to `problems`.
std::list<pipeline::InputFile> CollectInputFiles(const std::vector<std::u16string>& paths,
                                                 platform::Message& problems);

}  // namespace mkkolo

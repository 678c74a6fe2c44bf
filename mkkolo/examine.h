// Looking inside .kolo and .pak files: what they hold, whether they are
// whole, and the package's files written out.
#pragma once

#include <string>
#include <vector>

#include "platform/console.h"

namespace mkkolo {

enum class Inspection { kList, kTest, kExtract };

struct InspectSettings {
    Inspection what = Inspection::kList;
    std::u16string outputDir;  // where extracted files go; exists
    bool force = false;        // extracted files replace what stands at their names
    bool strict = false;       // -l and -t fail a file whose entries have a warning
};

// Inspects each file in turn: a .kolo (by its extension, or a ZIP archive's
// signature) or else a package. -l and -t check the package's entries as a
// pack run checks a skin's files, and warn on standard error after the
// listing or the verdict. Returns the exit status.
int InspectFiles(const std::vector<std::u16string>& files, const InspectSettings& settings,
                 platform::Console& console);

}  // namespace mkkolo

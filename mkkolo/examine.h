// Looking inside .kolo and .pak files: what they hold, whether they are
// whole, and the package's files written out.
#pragma once

#include <string>
#include <vector>

#include "mkkolo/console.h"

namespace mkkolo {

enum class Inspection { kList, kTest, kExtract };

struct InspectSettings {
    Inspection what = Inspection::kList;
    std::u16string outputDir;  // where extracted files go; exists
    bool force = false;        // extracted files replace what stands at their names
};

// Inspects each file in turn: a .kolo (by its extension, or a ZIP archive's
// signature) or else a package. Returns the exit status.
int InspectFiles(const std::vector<std::u16string>& files, const InspectSettings& settings,
                 Console& console);

// Whether an entry's name can be a file's name in a folder on every system,
// as it is: no separator, drive colon, "." or "..", control character,
// character or device name that Windows refuses, or ending that Windows
// drops (a dot, a blank).
bool IsPortableFileName(std::u16string_view name);

}  // namespace mkkolo

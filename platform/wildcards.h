// Wildcards on a command line. A Windows shell hands "*" and "?" to the
// program as they were typed, and the program expands them itself; other
// shells have expanded them before the program starts.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The paths, each one whose last component holds "*" or "?" replaced by the
// names in its folder that match that component, hidden and system files
// included, "." and ".." never, in the order of their UTF-16 code units. The
// folder part stays as it was written ("skins\*.xml" gives "skins\night.xml").
// "*" stands for any run of characters, "?" for one; letter case does not
// count (Unicode's simple case folding) and a name matches only by its long
// form, never by a short 8.3 alias; a pattern that ends in ".*" matches the
// name without an extension too, so "*.*" takes every name. A path whose
// pattern matches nothing, or whose folder cannot be listed, stays as it is.
// Outside Windows every path stays as it is.
std::vector<std::u16string> ExpandWildcards(const std::vector<std::u16string>& paths);

}  // namespace platform

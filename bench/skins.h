// Skins for the benchmarks: a layout file and an image bundle with bytes
// that deflate has real work on, of about 2 MB or, for runs of thousands,
// 30 KB.
#pragma once

#include <filesystem>
#include <list>
#include <string>

namespace bench {

// A new folder for one run of a benchmark, in the temporary folder.
std::filesystem::path NewWorkFolder(const std::string& name);

// Writes skin0 ... skin<count - 1>, each a .xml and a .pxa, into `folder`
// and returns their paths, the .xml of each skin before its .pxa.
std::list<std::u16string> WriteSkins(const std::filesystem::path& folder, int count);

// Writes small0 ... small<count - 1> into `folder`, each a well-formed layout
// of about 2 KB and a 30 KB .pxa.
void WriteSmallSkins(const std::filesystem::path& folder, int count);

}  // namespace bench

// A reader of the package format written from its description alone, for
// checking what the packer writes. It checks every relation of the layout.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct PakEntry {
    std::u16string name;
    std::string data;
};

struct Pak {
    std::string name;
    std::vector<PakEntry> entries;
};

// The package in `bytes`, or nothing with the first broken rule in `error`.
std::optional<Pak> ReadPak(std::string_view bytes, std::string* error = nullptr);

// The bytes of a package holding `pak`, laid out by the same description:
// for packages no packer would make (names with separators, say).
std::string MakePak(const Pak& pak);

}  // namespace testing_support

// One skin's way from its two files to a .kolo package, and the texts the
// pack run logs on the way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vellum {

// Makes the package at `pakPath` from the two inputs, first then second,
// appending what the packer reports to `log`. Returns false when the packer
// could not be run at all (it has then logged why).
class Packer {
  public:
    virtual ~Packer() = default;
    virtual bool Pack(std::u16string_view pakPath, std::u16string_view first,
                      std::u16string_view second, std::u16string& log) = 0;
};

struct PackSettings {
    bool createKolo = true;
    // The .kolo entry's date, in seconds since 1970, instead of the
    // package's creation time.
    std::optional<std::int64_t> entryTime;
};

enum class SkinOutcome {
    kMissingFiles,  // one input only, or the same file twice
    kMbmFailed,     // an .mbm input could not be prepared
    kPackerFailed,  // the packer could not be run
    kKoloFailed,    // packed, but the .kolo could not be made
    kPacked,        // packed; no .kolo was asked for
    kKoloWritten,
};

// The package path of a skin: the folder, a separator (always added, also
// after a folder that ends with one; the file system accepts the doubled
// separator) and the name with ".pak".
std::u16string PakPathFor(std::u16string_view outputDir, std::u16string_view name);

// The packer's arguments after its program name: a leading blank, then the
// package path and the two inputs, each in double quotes.
std::u16string PackerArguments(std::u16string_view pakPath, std::u16string_view first,
                               std::u16string_view second);

// Packs one skin into outputDir, logging each outcome's text.
SkinOutcome PackSkin(Packer& packer, const PackSettings& settings, std::u16string_view outputDir,
                     std::u16string_view name, std::u16string_view firstFile,
                     std::u16string_view secondFile, std::u16string& log);

}  // namespace vellum

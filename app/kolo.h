// The .kolo package: a ZIP archive that holds a .pak as its only entry,
// deflated at the highest level.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vellum {

// The package path with its extension replaced by ".kolo":
// D:\out\night.pak gives D:\out\night.kolo.
std::u16string KoloPathFor(std::u16string_view pakPath);

// The entry's date and time in the ZIP format's MS-DOS encoding, from a
// moment in seconds since 1970, in local time.
std::uint32_t DosDateTime(std::int64_t seconds);

// Wraps the package into the .kolo beside it, replacing any older one. The
// archive appears only when it is complete; after a failure an older one
// stays as it was.
// The package is deleted on request, and only when the archive is complete.
// The entry is dated by the package's creation time, or by `entryTime`
// (seconds since 1970) when given.
bool MakeKoloPackage(std::u16string_view pakPath, bool deletePak,
                     std::optional<std::int64_t> entryTime = std::nullopt);

}  // namespace vellum

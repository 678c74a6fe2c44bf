// The packer run inside this process: quill's own code, without a child
// process per skin.
#pragma once

#include <optional>
#include <string_view>

#include "packer/package.h"
#include "pipeline/kolo.h"
#include "pipeline/pack_skin.h"

namespace pipeline {

// quill's error for an archive that could not be written or committed.
quill::PackageError PackageErrorOf(KoloResult result);

// Packs exactly as quill does when given the package path and the two
// inputs (package name "zafra"), with quill's texts, as UTF-16. Holds no
// state: one object may serve several threads at once.
class InProcessPacker final : public Packer {
  public:
    PackerRun Pack(std::u16string_view pakPath, std::u16string_view first,
                   std::u16string_view second) override;
    // The package's bytes go straight into the archive's entry: no package
    // file is written, flushed or removed. quill's texts for a failure to
    // write name the .kolo. The inputs are checked as their bytes pass, by
    // the names they are packed under (an .mbm's prepared copy is a .pxa).
    // With options.committer the run succeeds once the archive is complete,
    // and its commit is told by the run's `commit`.
    std::optional<PackerRun> PackIntoKolo(std::u16string_view pakPath, std::u16string_view first,
                                          std::u16string_view second, const KoloOptions& options,
                                          const CheckSettings& checks) override;
};

}  // namespace pipeline

// The packer run inside this process: quill's own code, without a child
// process per skin.
#pragma once

#include <optional>
#include <string_view>

#include "pipeline/kolo.h"
#include "pipeline/pack_skin.h"

namespace pipeline {

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
    std::optional<PackerRun> PackIntoKolo(std::u16string_view pakPath, std::u16string_view first,
                                          std::u16string_view second, const KoloOptions& options,
                                          const CheckSettings& checks) override;
};

}  // namespace pipeline

// The packer run inside this process: quill's own code, without a child
// process per skin.
#pragma once

#include <string_view>

#include "app/pack_skin.h"

namespace vellum {

// Packs exactly as quill does when given the package path and the two
// inputs (package name "zafra"), with quill's texts, as UTF-16. Holds no
// state: one object may serve several threads at once.
class InProcessPacker final : public Packer {
  public:
    PackerRun Pack(std::u16string_view pakPath, std::u16string_view first,
                   std::u16string_view second) override;
};

}  // namespace vellum

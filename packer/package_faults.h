// The package reader's faults in a person's words (see package_reader.h).
#pragma once

#include <cstddef>
#include <string>

#include "packer/package_reader.h"

namespace quill {

// "第 N 项": entry `entry`, counted from 0, as people count it from 1.
std::u16string Ordinal(std::size_t entry);

// What is wrong with a package of `count` entries; nothing for a read that
// failed or was stopped, which the reader's caller words.
std::u16string PackageFaultText(const PackageProblem& problem, std::size_t count);

}  // namespace quill

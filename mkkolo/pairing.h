// The files paired into skins as the dialog application pairs its list,
// with a warning wherever the pairing does what a person would not expect.
// The warnings change nothing that is packed.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "pipeline/skin_jobs.h"
#include "platform/message.h"

namespace mkkolo {

struct Pairing {
    std::vector<pipeline::SkinJob> jobs;  // in job order
    // Per job, the warnings about its files, each a line of its own.
    std::vector<std::vector<platform::Message>> warnings;
};

// Pairs the files and looks for what would surprise: a file that takes
// part in no skin or is replaced by another, a skin of two files of one
// kind or from two folders, an empty file, one file reached by two paths.
Pairing PairSkins(const std::list<std::u16string>& files);

}  // namespace mkkolo

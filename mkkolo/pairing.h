// The files paired into skins as the dialog application pairs its list,
// with a warning wherever the pairing does what a person would not expect.
// The warnings change nothing that is packed.
#pragma once

#include <list>
#include <string>
#include <vector>

#include "pipeline/pack_skin.h"
#include "pipeline/skin_jobs.h"
#include "platform/message.h"

namespace mkkolo {

struct PairingWarning {
    enum class Kind {
        kUnused,      // paths: a file that takes part in no skin
        kReplaced,    // paths: a file, and the one whose place in the skin it took
        kSameKind,    // paths: the skin's two files, which have one extension
        kTwoFolders,  // paths: the skin's two files, which come from two folders
        kEmpty,       // paths: a file with no bytes
        kSameFile,    // paths: one file reached by two paths, as first met and again
    };
    Kind kind;
    std::u16string skin;
    std::vector<std::u16string> paths;
};

struct SkinFiles {
    pipeline::InputFile first, second;
};

struct Pairing {
    std::vector<pipeline::SkinJob> jobs;                // in job order
    std::vector<SkinFiles> files;                       // per job, its files as the scan found them
    std::vector<std::vector<PairingWarning>> warnings;  // per job
};

// Pairs the files and looks for what would surprise. Nothing is opened: the
// files are as the input scan found them.
Pairing PairSkins(const std::list<pipeline::InputFile>& files);

// A warning in words, a line of its own.
platform::Message WarningText(const PairingWarning& warning);

}  // namespace mkkolo

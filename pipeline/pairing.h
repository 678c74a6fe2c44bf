// The files paired into skins as the dialog application pairs its list,
// with a warning wherever the pairing does what a person would not expect.
// The warnings change nothing that is packed.
#pragma once

#include <list>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/fault.h"
#include "pipeline/pack_skin.h"
#include "pipeline/skin_jobs.h"

namespace pipeline {

// A skin job with its files as they were found, and what the pairing warns
// of about it.
struct PairedSkin {
    SkinJob job;
    InputFile first, second;
    std::vector<Fault> warnings;
};

struct Pairing {
    std::vector<PairedSkin> skins;  // in job order
    // Every path paired, in the order given: what a skin that lacks a file
    // is held against.
    std::vector<std::u16string> paths;
    // Where the skins' packages go below the output folder: empty for the
    // output folder itself, else a relative folder without a separator at
    // its end ("red", "red/dark").
    std::u16string folder;
};

// Pairs the files and looks for what would surprise; the jobs are left in
// `jobs` too. Nothing is opened: the files are as they were found.
Pairing PairSkins(const std::list<InputFile>& files, SkinJobMap& jobs);
Pairing PairSkins(const std::list<InputFile>& files);

// The folder the pairing's packages go into: `outputDir`, or the pairing's
// folder below it.
std::u16string OutputFolderOf(const Pairing& pairing, std::u16string_view outputDir);

// A skin's name with its pairing's folder below the output folder
// ("red/theme", or the name alone): what tells its .kolo from the others'.
std::u16string NameBelowOutput(std::u16string_view folder, std::u16string_view name);

}  // namespace pipeline

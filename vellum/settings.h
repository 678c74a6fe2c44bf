// vellum's settings, a value that the main dialog holds and the settings
// dialog edits, and their file: vellum.ini beside the program, section
// Configure.
#pragma once

#include <cstdint>
#include <string>

namespace vellum {

struct Settings {
    std::wstring strOutputDir;          // OutputDirectory: where the packages go
    std::int32_t bCreateKolo = 1;       // CreateKOLO: packages are always wrapped
    std::int32_t bOutputDirPrompt = 1;  // OutputDirPrompt: stored and edited only

    // What vellum.ini holds, the defaults where it holds nothing.
    static Settings Load();
    // Writes every key; failures go unreported, as nothing could be done
    // about them.
    void Save() const;
};

}  // namespace vellum

// mkkolo's options, read the way getopt_long reads them: short options
// bundled ("-qj2"), a short option's value joined or next ("-oOUT", "-o OUT"),
// long options with "=" or next ("--output=OUT", "--output OUT"); options
// anywhere among the paths, and after "--" paths only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/kolo.h"
#include "platform/message.h"

namespace mkkolo {

enum class Mode {
    kPack,
    kDryRun,   // say what would be packed, write nothing
    kList,     // what .kolo and .pak files hold
    kTest,     // whether they are whole
    kExtract,  // the package's files into the output folder
    kWatch,    // pack, then pack again what changes
};

struct Options {
    Mode mode = Mode::kPack;
    std::u16string outputDir = u".";
    std::optional<unsigned> workers;
    int level = pipeline::kKoloLevel;  // the .kolo's compression level
    bool quiet = false;
    // The folders inside a folder path are searched too.
    bool recursive = false;
    bool strict = false;  // a skin with a warning fails; -l and -t fail on a warning
    bool json = false;    // a run's report for scripts on standard output instead of the texts
    bool force = false;   // extracting replaces files that exist
    bool help = false;
    bool version = false;
    std::vector<std::u16string> paths;
};

// An option as a person spells it.
struct OptionForm {
    char16_t letter;                // 0: long form only
    std::u16string_view name;       // the long form, without "--"
    std::u16string_view valueName;  // empty: it takes no value
    std::u16string_view help;       // what it does, for the usage text
};

// Every option, in the order the usage text lists them.
std::vector<OptionForm> OptionForms();

// The usage text: the forms of the command line, then a line per argument
// and per option, built from the options' table.
const std::u16string& Usage();

// The options, or nothing with the complaint in `error`.
std::optional<Options> ParseOptions(const std::vector<std::u16string>& args,
                                    platform::Message& error);

// A decimal number of digits only, up to `limit`; a larger one is refused,
// or taken as `limit` when it may `saturate`.
std::optional<std::uint64_t> ParseNumber(std::u16string_view text, std::uint64_t limit,
                                         bool saturate = false);

}  // namespace mkkolo

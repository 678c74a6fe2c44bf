// The packer's job, whoever asks for it: quill's command line, or a program
// that packs inside itself. What it came to is a value; quill's words for it
// are in packer/pack_texts.h.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "packer/package.h"

namespace quill {

// The package name when none is given.
constexpr char kDefaultPackageName[] = "zafra";

struct PackJob {
    std::u16string output;
    std::string name = kDefaultPackageName;  // 8-bit, as stored
    std::vector<std::u16string> inputs;      // in package order, repeats kept
};

struct PackResult {
    PackageError error = PackageError::kNone;
    std::u16string failedInput;  // with kOpenInput, kReadInput and kInputChanged
    // With kOpenInput, and with kCreateOutput and kWriteOutput where the
    // system gave a reason: the system's words.
    std::u16string reason;
    // The inputs left out because they do not exist or are 4 GiB or larger,
    // in the order given.
    std::vector<std::u16string> ignored;
    // Once the package was prepared, the inputs it takes.
    bool prepared = false;
    std::vector<PackedInput> packed;
    bool ok() const { return error == PackageError::kNone; }
};

// Hears what a job comes to as it happens, for a program that shows it at
// once (the summary before the package is written).
class PackListener {
  public:
    virtual ~PackListener() = default;
    virtual void Ignored(const std::u16string& path) = 0;
    virtual void Prepared(const std::vector<PackedInput>& inputs) = 0;
};

// Packs the inputs into the output. An input that exists but is refused for
// another reason than being no file or being in use (no access, too many
// open files) fails the job. After any failure no file is left at the
// output path, unless that path names one of the inputs (which stays
// untouched) or a device.
PackResult PackFiles(const PackJob& job, PackListener* listener = nullptr);

// Writes a prepared package where it belongs and tells what came of it; of
// a file it could not create or write, the system's reason in `reason`.
using PackageWriter = std::function<PackageError(Package& package, platform::SystemError& reason)>;

// Packs the inputs as PackFiles does, but hands the prepared package to
// `write` instead of writing it to the output path, and removes nothing.
PackResult PackInto(const PackJob& job, const PackageWriter& write,
                    PackListener* listener = nullptr);

}  // namespace quill

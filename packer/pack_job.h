// The packer's job, whoever asks for it: quill's command line, or a program
// that packs inside itself. The caller decides what a failure means to it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "packer/console.h"
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
    std::u16string reason;       // with kOpenInput: the system's words
    bool ok() const { return error == PackageError::kNone; }
};

// Packs the inputs into the output, noting each input that is missing or too
// large on the console and printing the summary once the inputs are taken.
// An input that exists but is refused for another reason than being no
// file or being in use (no access, too many open files) fails the job.
// After any failure no file is left at the output path, unless that path
// names one of the inputs (which stays untouched) or a device.
PackResult PackFiles(const PackJob& job, ConsoleWriter& console);

// Writes a prepared package where it belongs and tells what came of it.
using PackageWriter = std::function<PackageError(Package& package)>;

// Packs the inputs as PackFiles does, but hands the prepared package to
// `write` instead of writing it to the output path, and removes nothing.
PackResult PackInto(const PackJob& job, ConsoleWriter& console, const PackageWriter& write);

// The packer's words for a failed job.
void PrintPackFailure(const PackJob& job, const PackResult& result, ConsoleWriter& console);

}  // namespace quill

// Something found wrong with a skin, at any step of its way: by the pairing,
// by the checks of its files, by the refusals before anything is written, or
// as it was packed. Each has a kind that never changes meaning, so that a
// script can tell them apart without reading the words.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "pipeline/skin_checks.h"
#include "platform/system_error.h"

namespace pipeline {

// A file that would complete a skin that lacks one.
struct Completion {
    std::u16string path;
    // Among the files to pack: its name differs from the skin's in letter
    // case, so it makes a skin of its own. Not named: it lies beside one of
    // the skin's files.
    bool named = false;
};

// Why a package lacks one of the skin's files: the packer leaves out an
// input that is gone, 4 GiB or larger, no file, or held open for writing.
enum class InputLoss { kGone, kTooLarge, kNotAFile, kInUse };

struct Fault {
    enum class Kind {
        // Warnings: the skin is made all the same, unless it is held back
        // for them.
        kUnusedFile,           // paths: a file that takes part in no skin
        kReplacedFile,         // paths: a file, and the one whose place it took
        kSameExtension,        // paths: the skin's two files, of one extension
        kTwoFolders,           // paths: the skin's two files, from two folders
        kEmptyFile,            // paths: a file with no bytes
        kSameFile,             // paths: one file reached by two paths, as first met and again
        kLayoutNotWellFormed,  // paths: the layout; `layout` says where and why
        kNotMultiBitmap,       // paths: an .mbm without the multi-bitmap header
        // Why the skin was not made.
        kMissingLayout,     // paths: the files it has; `completion` may name what it lacks
        kMissingBundle,     // likewise, for the image bundle
        kMissingFiles,      // paths: its files, none a layout or an image bundle
        kInputIsOutput,     // paths: the input that is the skin's own package or .kolo
        kDeviceName,        // its package or .kolo would be a device
        kMbmNotPrepared,    // `error`: the system's reason, where it gave one
        kPackerNotStarted,  // the packer process could not be started
        kPackerFailed,      // the packer made no package
        kKoloFailed,        // packed, but the .kolo could not be made
        kKoloTooLarge,      // paths: the .kolo, which would need ZIP64 records
        kKoloNotAsWritten,  // paths: the .kolo, which did not read back as written
        kInputIgnored,      // paths: the input its package would lack; `loss` says why
        kHeldBack,          // a warning held it back (mkkolo --strict)
    };
    Kind kind = Kind::kUnusedFile;
    std::vector<std::u16string> paths;
    LayoutVerdict layout;
    platform::SystemError error;
    std::optional<Completion> completion;
    InputLoss loss = InputLoss::kGone;
};

// Whether a fault of this kind leaves the skin to be made.
bool IsWarning(Fault::Kind kind);

// What a check of a skin's file found, as a fault of the skin.
Fault FaultOf(FileFault fault);

}  // namespace pipeline

// One skin's way from its two files to a .kolo package, and what became of
// it as a value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "packer/pack_job.h"
#include "pipeline/fault.h"
#include "pipeline/kolo.h"
#include "pipeline/skin_checks.h"
#include "platform/files.h"
#include "platform/system_error.h"

namespace pipeline {

// Whether a skin's files are checked (pipeline/skin_checks.h) on the way,
// each while it is read anyway where it can be: an .mbm as it is prepared,
// the others as a packer in this process streams them into the .kolo; for a
// packer that only hands over files (a child process), read for the checks
// before it runs.
struct CheckSettings {
    bool check = false;
    // A skin with a fault is neither packed nor, when the fault shows only
    // once its bytes have gone into the archive, committed.
    bool holdBackFaulty = false;
};

// What a packer run came to.
struct PackerRun {
    // kHeldBack: packed, but the checks found a fault and the archive was
    // not committed. kIncomplete: the package lacks `leftOut`, which the
    // packer left out as it can (gone, 4 GiB or larger, no file); a package
    // file it wrote is removed, an archive is not committed.
    enum class Status { kNotStarted, kFailed, kSucceeded, kInterrupted, kHeldBack, kIncomplete };
    Status status = Status::kNotStarted;
    std::u16string leftOut;
    // A packer in a process of its own: what it printed, or, when it could
    // not be started, why.
    std::u16string text;
    // A packer in this process: what the job came to.
    std::optional<quill::PackResult> result;
    // With kFailed, for a packer that writes the .kolo itself: what became
    // of it, where the job's own result does not tell.
    KoloWriter::Result archive = KoloWriter::Result::kOk;
    // For a packer that writes the .kolo itself: what the checks of the
    // package's inputs found, and once it is committed, the package's and
    // the archive's sizes.
    std::vector<FileFault> faults;
    std::uint64_t packageSize = 0, koloSize = 0;
    // With KoloOptions::committer: the commit of the archive, which the run
    // is not over without.
    PendingCommit commit;
};

// Makes a skin's package from the two inputs, first then second.
class Packer {
  public:
    virtual ~Packer() = default;
    // Makes the package file at `pakPath`.
    virtual PackerRun Pack(std::u16string_view pakPath, std::u16string_view first,
                           std::u16string_view second) = 0;
    // Makes the .kolo of the package at `pakPath` with no package file in
    // between, when this packer can, checking the inputs as `checks` says;
    // a packer that hands over files only (a child process) gives nothing.
    // A package that would lack an input is not archived (kIncomplete).
    virtual std::optional<PackerRun> PackIntoKolo(std::u16string_view /*pakPath*/,
                                                  std::u16string_view /*first*/,
                                                  std::u16string_view /*second*/,
                                                  const KoloOptions& /*options*/,
                                                  const CheckSettings& /*checks*/) {
        return std::nullopt;
    }
};

struct PackSettings {
    bool createKolo = true;
    KoloOptions kolo;
    // Where the prepared copies of .mbm inputs go (ending in a separator).
    // When empty, no .mbm can be prepared, and `mbmFolderError` says why.
    std::u16string mbmFolder;
    platform::SystemError mbmFolderError;
    CheckSettings checks;
    // Nothing is written, not even a prepared .mbm: the skin is refused and
    // its files are checked as a run would, and it would be packed
    // (kWouldPack) or held back.
    bool dryRun = false;
    // The output folder is made, with any missing folders above it, just
    // before the package is written into it: a skin that is refused or held
    // back leaves no folder behind.
    bool makeOutputFolder = false;
};

enum class SkinOutcome {
    kMissingFiles,      // one input only, the same file twice, or not a layout and a bundle
    kInputIsOutput,     // an input is the skin's own package or .kolo
    kDeviceName,        // the package or .kolo would be a device (Windows: CON, NUL ...)
    kMbmFailed,         // an .mbm input could not be prepared
    kPackerNotStarted,  // the packer could not be run
    kPackerFailed,      // the packer ran and made no package
    kKoloFailed,        // packed, but the .kolo could not be made
    kKoloTooLarge,      // the package does not fit in a .kolo without ZIP64 records
    kKoloNotAsWritten,  // the .kolo read back said other than what was written
    kInputIgnored,      // the packer left an input out: the package would lack it
    kPacked,            // packed; no .kolo was asked for
    kKoloWritten,
    kInterrupted,  // a request to stop came; nothing of the skin's is left
    kHeldBack,     // the checks found a fault (CheckSettings::holdBackFaulty); nothing is left
    kWouldPack,    // PackSettings::dryRun: nothing stops it
};

struct SkinResult {
    SkinOutcome outcome = SkinOutcome::kMissingFiles;
    std::u16string packerText;  // what a packer process printed, when it ran or failed to start
    std::optional<quill::PackResult> packResult;  // what a packer in this process came to
    std::u16string input;               // with kInputIsOutput and kInputIgnored: that input
    InputLoss loss = InputLoss::kGone;  // with kInputIgnored: why
    std::u16string koloPath;            // with kKoloWritten, kKoloTooLarge and kKoloNotAsWritten
    platform::SystemError systemError;  // with kMbmFailed: the system's reason, if it gave one
    std::vector<FileFault> faults;      // what the checks found, in the order of the skin's files
    std::uint64_t packageSize = 0, koloSize = 0;  // with kKoloWritten, by a packer that wrote it
    PendingCommit commit;                         // with kKoloWritten, as the packer's run has it
};

// A skin's file as the program found it: looked at once, when it was taken.
struct InputFile {
    std::u16string path;
    // What tells it from other files, and its size; nothing where the
    // system would not say (the file is gone, say).
    std::optional<platform::FileIdentity> identity;
    std::optional<std::uint64_t> size;

    // Looks at what the path names now; nothing of it is read.
    static InputFile LookAt(std::u16string_view path);
};

// The package path of a skin: the folder, a separator (always added, also
// after a folder that ends with one; the file system accepts the doubled
// separator) and the name with ".pak".
std::u16string PakPathFor(std::u16string_view outputDir, std::u16string_view name);

// The first of the inputs, in package order, that a package whose entries
// are named `held` lacks; nothing when it holds them all.
std::optional<std::u16string> InputLeftOut(const std::vector<std::u16string>& held,
                                           const std::vector<std::u16string>& inputs);

// Why the skin cannot be packed into outputDir, found before anything is
// written: its files, or its package's paths; nothing when it can be.
std::optional<SkinResult> RefuseSkin(std::u16string_view outputDir, std::u16string_view name,
                                     const InputFile& first, const InputFile& second);

// Packs one skin into outputDir. Only a package that this run's packer made
// is wrapped: one left at the package path before is removed first. A
// packer that writes the .kolo itself makes no package file, and leaves
// what stands at the package path alone. The skin's files are checked as
// settings.checks says; a skin held back for a fault is kHeldBack.
SkinResult PackSkin(Packer& packer, const PackSettings& settings, std::u16string_view outputDir,
                    std::u16string_view name, const InputFile& first, const InputFile& second);
// The same for two paths, each looked at once.
SkinResult PackSkin(Packer& packer, const PackSettings& settings, std::u16string_view outputDir,
                    std::u16string_view name, std::u16string_view firstFile,
                    std::u16string_view secondFile);
// PackSkin for a skin that RefuseSkin has let through.
SkinResult PackAcceptedSkin(Packer& packer, const PackSettings& settings,
                            std::u16string_view outputDir, std::u16string_view name,
                            const InputFile& first, const InputFile& second);

}  // namespace pipeline

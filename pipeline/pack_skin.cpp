#include "pipeline/pack_skin.h"

#include <algorithm>

#include "packer/package_reader.h"
#include "pipeline/kolo.h"
#include "pipeline/mbm.h"
#include "pipeline/skin_jobs.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace pipeline {
namespace {

// An .mbm input is replaced by its prepared copy; false when there is
// none, with the system's reason in `error` where it gave one. The copy
// reads the whole source: its check is made on the way, into `faults`.
bool PrepareInput(std::u16string& input, const PackSettings& settings, platform::SystemError& error,
                  std::vector<FileFault>& faults) {
    if (!platform::HasExtension(input, u".mbm")) return true;
    if (settings.mbmFolder.empty()) {
        error = settings.mbmFolderError;
        return false;
    }
    std::optional<FileCheck> check;
    if (settings.checks.check) check.emplace(input);
    input = PrepareMbmFile(input, settings.mbmFolder, &error, check ? &*check : nullptr);
    if (!platform::PathExists(input)) return false;
    if (check) {
        if (auto fault = check->Finish()) faults.push_back(std::move(*fault));
    }
    return true;
}

// What the checks find in the skin's files, read for the checks alone; an
// .mbm only `withMbm` (else it is checked as it is prepared).
std::vector<FileFault> CheckFiles(const InputFile& first, const InputFile& second, bool withMbm) {
    std::vector<FileFault> faults;
    for (const InputFile* input : {&first, &second}) {
        if (!withMbm && platform::HasExtension(input->path, u".mbm")) continue;
        if (auto fault = CheckFile(input->path)) faults.push_back(std::move(*fault));
    }
    return faults;
}

// A skin is one layout and one image bundle, in either order.
bool IsLayoutAndBundle(std::u16string_view a, std::u16string_view b) {
    const auto bundle = [](std::u16string_view path) {
        return platform::HasExtension(path, u".pxa") || platform::HasExtension(path, u".mbm");
    };
    return (platform::HasExtension(a, u".xml") && bundle(b)) ||
           (bundle(a) && platform::HasExtension(b, u".xml"));
}

// The faults in the order of the skin's files, whichever was found first
// (an .mbm's, as it is prepared).
std::vector<FileFault> InFileOrder(std::vector<FileFault> faults, const InputFile& first) {
    std::stable_partition(faults.begin(), faults.end(),
                          [&](const FileFault& fault) { return fault.path == first.path; });
    return faults;
}

SkinResult Outcome(SkinOutcome outcome) {
    SkinResult result;
    result.outcome = outcome;
    return result;
}

// Why a packer would leave the input out, as it is now; nothing when it
// would take it, or fail on it (the system refuses it: the packer says why).
std::optional<InputLoss> LossOf(std::u16string_view path) {
    const platform::ErrorOr<platform::File> file = platform::File::OpenForReading(path);
    if (file) {
        const auto size = file->Size();
        if (size && *size >= quill::kPackageSizeLimit) return InputLoss::kTooLarge;
        return std::nullopt;
    }
    if (platform::IsMissing(file.error())) return InputLoss::kGone;
    if (platform::IsNotAFile(file.error())) return InputLoss::kNotAFile;
    if (platform::IsInUse(file.error())) return InputLoss::kInUse;
    return std::nullopt;
}

// A skin whose package would lack `input`.
SkinResult InputIgnored(std::u16string_view input, InputLoss loss) {
    SkinResult result = Outcome(SkinOutcome::kInputIgnored);
    result.input = input;
    result.loss = loss;
    return result;
}

// The names of the entries of the package file at `path`; nothing when it
// is no package.
std::optional<std::vector<std::u16string>> EntryNames(std::u16string_view path) {
    platform::ErrorOr<platform::File> file = platform::File::OpenForReading(path);
    if (!file) return std::nullopt;
    const auto size = file->Size();
    if (!size) return std::nullopt;
    quill::FileSource source(*file);
    quill::PackageReader reader(source, *size);
    if (!reader.ReadIndex()) return std::nullopt;
    std::vector<std::u16string> names;
    for (const quill::PackageEntryInfo& entry : reader.index().entries) names.push_back(entry.name);
    return names;
}

// A packer that succeeded may have left an input out (quill packs what it
// can take): what its package file holds tells. One that lacks an input, or
// whose index cannot be read, is no skin's package and goes.
void CheckPackageFile(PackerRun& run, std::u16string_view pakPath,
                      const std::vector<std::u16string>& inputs) {
    const auto held = EntryNames(pakPath);
    if (!held) {
        run.status = PackerRun::Status::kFailed;
    } else if (auto lost = InputLeftOut(*held, inputs)) {
        run.status = PackerRun::Status::kIncomplete;
        run.leftOut = std::move(*lost);
    }
    if (run.status != PackerRun::Status::kSucceeded) platform::RemoveFile(pakPath);
}

// What became of a skin after its packer ran, with what the packer said.
SkinResult AfterPacker(SkinOutcome outcome, PackerRun& run, const std::u16string& koloPath) {
    SkinResult result = Outcome(outcome);
    result.packerText = std::move(run.text);
    result.packResult = std::move(run.result);
    result.koloPath = koloPath;
    result.faults = std::move(run.faults);
    result.packageSize = run.packageSize;
    result.koloSize = run.koloSize;
    if (outcome == SkinOutcome::kInputIgnored) {
        // Looked at once the packer is done: most likely still as it found it.
        result.input = run.leftOut;
        result.loss = LossOf(run.leftOut).value_or(InputLoss::kGone);
    }
    result.commit = std::move(run.commit);
    return result;
}

// The outcome of a packer run that did not succeed; nothing when it did.
std::optional<SkinOutcome> PackerFailure(const PackerRun& run) {
    switch (run.status) {
        case PackerRun::Status::kNotStarted:
            return SkinOutcome::kPackerNotStarted;
        case PackerRun::Status::kFailed:
            return SkinOutcome::kPackerFailed;
        case PackerRun::Status::kInterrupted:
            return SkinOutcome::kInterrupted;
        case PackerRun::Status::kHeldBack:
            return SkinOutcome::kHeldBack;
        case PackerRun::Status::kIncomplete:
            return SkinOutcome::kInputIgnored;
        case PackerRun::Status::kSucceeded:
            break;
    }
    return std::nullopt;
}

// The skin's outcome when its .kolo could not be made for a reason that
// only the archive knows.
SkinOutcome ArchiveOutcome(KoloWriter::Result archive) {
    switch (archive) {
        case KoloWriter::Result::kTooLarge:
            return SkinOutcome::kKoloTooLarge;
        case KoloWriter::Result::kNotAsWritten:
            return SkinOutcome::kKoloNotAsWritten;
        case KoloWriter::Result::kInterrupted:
            return SkinOutcome::kInterrupted;
        default:
            return SkinOutcome::kKoloFailed;
    }
}

}  // namespace

std::optional<std::u16string> InputLeftOut(const std::vector<std::u16string>& held,
                                           const std::vector<std::u16string>& inputs) {
    // A packer keeps the inputs' order and names each entry after its file.
    std::size_t next = 0;
    for (const std::u16string& input : inputs) {
        if (next == held.size() || held[next] != platform::FindFileName(input)) return input;
        ++next;
    }
    return std::nullopt;
}

std::u16string PakPathFor(std::u16string_view outputDir, std::u16string_view name) {
    return std::u16string(outputDir) + platform::kPathSeparator + std::u16string(name) + u".pak";
}

InputFile InputFile::LookAt(std::u16string_view path) {
    InputFile input{std::u16string(path), std::nullopt, std::nullopt};
    if (path.empty()) return input;
    if (const auto file = platform::File::OpenForReading(path)) {
        input.identity = file->Identity();
        if (const auto size = file->Size()) input.size = *size;
    }
    if (!input.identity) input.identity = platform::IdentityOf(path);  // a folder, a device
    return input;
}

std::optional<SkinResult> RefuseSkin(std::u16string_view outputDir, std::u16string_view name,
                                     const InputFile& first, const InputFile& second) {
    const std::u16string& firstFile = first.path;
    const std::u16string& secondFile = second.path;
    const std::u16string pakPath = PakPathFor(outputDir, name);
    if (firstFile.empty() || secondFile.empty() ||
        platform::EqualIgnoringCase(firstFile, secondFile)) {
        return Outcome(SkinOutcome::kMissingFiles);
    }
    // Written to, a device name would reach the device, not a file.
    const std::u16string koloPath = KoloPathFor(pakPath);
    if (platform::IsDeviceName(pakPath) || platform::IsDeviceName(koloPath)) {
        return Outcome(SkinOutcome::kDeviceName);
    }
    // The package and the .kolo replace what stands at their paths: a user's
    // file there, given as an input, would be lost.
    const auto pak = platform::IdentityOf(pakPath), kolo = platform::IdentityOf(koloPath);
    for (const InputFile* input : {&first, &second}) {
        if (input->identity && (input->identity == pak || input->identity == kolo)) {
            SkinResult result = Outcome(SkinOutcome::kInputIsOutput);
            result.input = input->path;
            return result;
        }
    }
    if (!IsLayoutAndBundle(firstFile, secondFile)) return Outcome(SkinOutcome::kMissingFiles);
    return std::nullopt;
}

SkinResult PackSkin(Packer& packer, const PackSettings& settings, std::u16string_view outputDir,
                    std::u16string_view name, std::u16string_view firstFile,
                    std::u16string_view secondFile) {
    return PackSkin(packer, settings, outputDir, name, InputFile::LookAt(firstFile),
                    InputFile::LookAt(secondFile));
}

SkinResult PackSkin(Packer& packer, const PackSettings& settings, std::u16string_view outputDir,
                    std::u16string_view name, const InputFile& first, const InputFile& second) {
    if (auto refused = RefuseSkin(outputDir, name, first, second)) return *refused;
    return PackAcceptedSkin(packer, settings, outputDir, name, first, second);
}

SkinResult PackAcceptedSkin(Packer& packer, const PackSettings& settings,
                            std::u16string_view outputDir, std::u16string_view name,
                            const InputFile& first, const InputFile& second) {
    const bool holdBack = settings.checks.check && settings.checks.holdBackFaulty;
    if (settings.dryRun) {
        // What the packer would leave out fails the skin, as in a run.
        for (const InputFile* input : {&first, &second}) {
            if (const auto loss = LossOf(input->path)) return InputIgnored(input->path, *loss);
        }
        SkinResult result = Outcome(SkinOutcome::kWouldPack);
        if (settings.checks.check) result.faults = CheckFiles(first, second, true);
        if (holdBack && !result.faults.empty()) result.outcome = SkinOutcome::kHeldBack;
        return result;
    }
    const std::u16string pakPath = PakPathFor(outputDir, name);
    const std::u16string koloPath = KoloPathFor(pakPath);
    std::u16string input1(first.path), input2(second.path);
    platform::SystemError mbmError;
    std::vector<FileFault> faults;
    if (!PrepareInput(input1, settings, mbmError, faults) ||
        !PrepareInput(input2, settings, mbmError, faults)) {
        SkinResult result = Outcome(SkinOutcome::kMbmFailed);
        result.systemError = mbmError;
        return result;
    }
    if (holdBack && !faults.empty()) {
        // Packed no more, the skin's other files are read for their checks
        // alone, so that every fault of the skin is told.
        SkinResult result = Outcome(SkinOutcome::kHeldBack);
        for (FileFault& fault : CheckFiles(first, second, false))
            faults.push_back(std::move(fault));
        result.faults = InFileOrder(std::move(faults), first);
        return result;
    }

    // A folder that cannot be made is told as the package that cannot be
    // created in it.
    if (settings.makeOutputFolder) platform::CreateFolders(outputDir);
    const KoloOptions& kolo = settings.kolo;
    if (settings.createKolo) {
        if (std::optional<PackerRun> run =
                packer.PackIntoKolo(pakPath, input1, input2, kolo, settings.checks)) {
            SkinOutcome outcome = SkinOutcome::kKoloWritten;
            if (run->archive != KoloWriter::Result::kOk) {
                outcome = ArchiveOutcome(run->archive);
            } else if (const auto failure = PackerFailure(*run)) {
                outcome = *failure;
            }
            SkinResult result = AfterPacker(outcome, *run, koloPath);
            faults.insert(faults.end(), result.faults.begin(), result.faults.end());
            result.faults = InFileOrder(std::move(faults), first);
            return result;
        }
    }

    // This packer hands over files only: what it is handed is read for the
    // checks first, so that a faulty skin is held back before it is packed.
    if (settings.checks.check) {
        for (FileFault& fault : CheckFiles(first, second, false))
            faults.push_back(std::move(fault));
        faults = InFileOrder(std::move(faults), first);
    }
    if (holdBack && !faults.empty()) {
        SkinResult result = Outcome(SkinOutcome::kHeldBack);
        result.faults = std::move(faults);
        return result;
    }
    if (platform::KindOfPath(pakPath) == platform::PathKind::kFile) platform::RemoveFile(pakPath);
    PackerRun run = packer.Pack(pakPath, input1, input2);
    run.faults = std::move(faults);
    if (run.status == PackerRun::Status::kSucceeded)
        CheckPackageFile(run, pakPath, {input1, input2});
    if (const auto failure = PackerFailure(run)) return AfterPacker(*failure, run, koloPath);
    if (!settings.createKolo) return AfterPacker(SkinOutcome::kPacked, run, koloPath);
    const KoloWriter::Result made = MakeKoloPackage(pakPath, true, kolo);
    if (made == KoloWriter::Result::kOk)
        return AfterPacker(SkinOutcome::kKoloWritten, run, koloPath);
    // Stopped half way, the package this run made goes too.
    if (platform::InterruptRequested()) {
        platform::RemoveFile(pakPath);
        return AfterPacker(SkinOutcome::kInterrupted, run, koloPath);
    }
    return AfterPacker(ArchiveOutcome(made), run, koloPath);
}

}  // namespace pipeline

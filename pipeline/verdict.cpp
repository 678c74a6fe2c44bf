#include "pipeline/verdict.h"

#include <algorithm>

#include "pipeline/in_process_packer.h"
#include "pipeline/kolo.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace pipeline {
namespace {

using Kind = Fault::Kind;

bool IsLayout(std::u16string_view path) {
    return platform::HasExtension(path, u".xml");
}

bool IsBundle(std::u16string_view path) {
    return platform::HasExtension(path, u".pxa") || platform::HasExtension(path, u".mbm");
}

Fault FaultOfKind(Kind kind, std::vector<std::u16string> paths = {}) {
    Fault fault;
    fault.kind = kind;
    fault.paths = std::move(paths);
    return fault;
}

// The skin's files, each once.
std::vector<std::u16string> FilesOf(const PairedSkin& skin) {
    std::vector<std::u16string> files;
    for (const InputFile* input : {&skin.first, &skin.second}) {
        if (!input->path.empty() &&
            std::find(files.begin(), files.end(), input->path) == files.end())
            files.push_back(input->path);
    }
    return files;
}

// A file that would give the skin what it lacks: among the paths paired, one
// whose name differs from the skin's in letter case only; else, in the
// folder of one of its files, one that was not given.
std::optional<Completion> FindCompletion(const PairedSkin& skin, const Pairing& pairing,
                                         bool (*completes)(std::u16string_view)) {
    const std::u16string& name = skin.job.strName;
    const auto isMate = [&](std::u16string_view path) {
        const std::u16string base = platform::SkinFileName(path);
        return completes(path) && platform::EqualIgnoringCase(base, name);
    };
    for (const std::u16string& path : pairing.paths) {
        if (isMate(path) && platform::SkinFileName(path) != name) return Completion{path, true};
    }
    std::vector<std::u16string> beside;
    for (const std::u16string& file : FilesOf(skin)) {
        const std::u16string folder(platform::FolderOf(file));
        const auto names = platform::ListFolder(folder.empty() ? u"." : folder);
        for (const std::u16string& entry : names.value_or(std::vector<std::u16string>())) {
            const std::u16string path = folder + entry;
            if (isMate(path) &&
                std::find(pairing.paths.begin(), pairing.paths.end(), path) == pairing.paths.end())
                beside.push_back(path);
        }
    }
    if (beside.empty()) return std::nullopt;
    // The one of the skin's own name first, then as the names sort.
    std::sort(beside.begin(), beside.end(), [&](const std::u16string& a, const std::u16string& b) {
        const bool aExact = platform::SkinFileName(a) == name,
                   bExact = platform::SkinFileName(b) == name;
        return aExact != bExact ? aExact : a < b;
    });
    return Completion{beside.front(), false};
}

// Why a skin that is no layout and image bundle is refused: what it lacks,
// and what would complete it.
Fault MissingFiles(const PairedSkin& skin, const Pairing& pairing) {
    std::vector<std::u16string> files = FilesOf(skin);
    const bool layout = std::any_of(files.begin(), files.end(), IsLayout);
    const bool bundle = std::any_of(files.begin(), files.end(), IsBundle);
    if (layout == bundle) return FaultOfKind(Kind::kMissingFiles, std::move(files));
    Fault fault =
        FaultOfKind(layout ? Kind::kMissingBundle : Kind::kMissingLayout, std::move(files));
    fault.completion = FindCompletion(skin, pairing, layout ? IsBundle : IsLayout);
    return fault;
}

// The fault that kept a skin from being made, for an outcome that is one.
std::optional<Fault> FailureOf(const SkinResult& result) {
    switch (result.outcome) {
        case SkinOutcome::kInputIsOutput:
            return FaultOfKind(Kind::kInputIsOutput, {result.input});
        case SkinOutcome::kDeviceName:
            return FaultOfKind(Kind::kDeviceName);
        case SkinOutcome::kMbmFailed: {
            Fault fault = FaultOfKind(Kind::kMbmNotPrepared);
            fault.error = result.systemError;
            return fault;
        }
        case SkinOutcome::kPackerNotStarted:
            return FaultOfKind(Kind::kPackerNotStarted);
        case SkinOutcome::kPackerFailed:
            return FaultOfKind(Kind::kPackerFailed);
        case SkinOutcome::kKoloFailed:
            return FaultOfKind(Kind::kKoloFailed);
        case SkinOutcome::kKoloTooLarge:
            return FaultOfKind(Kind::kKoloTooLarge, {result.koloPath});
        case SkinOutcome::kKoloNotAsWritten:
            return FaultOfKind(Kind::kKoloNotAsWritten, {result.koloPath});
        case SkinOutcome::kHeldBack:
            return FaultOfKind(Kind::kHeldBack);
        case SkinOutcome::kInputIgnored: {
            Fault fault = FaultOfKind(Kind::kInputIgnored, {result.input});
            fault.loss = result.loss;
            return fault;
        }
        case SkinOutcome::kMissingFiles:  // worded apart, with what is missing
        case SkinOutcome::kPacked:
        case SkinOutcome::kKoloWritten:
        case SkinOutcome::kInterrupted:
        case SkinOutcome::kWouldPack:
            break;
    }
    return std::nullopt;
}

SkinStatus StatusOf(const SkinResult& result, const SkinVerdict& verdict) {
    switch (result.outcome) {
        case SkinOutcome::kPacked:
        case SkinOutcome::kKoloWritten:
            return verdict.WarningCount() != 0 ? SkinStatus::kMadeWithWarnings : SkinStatus::kMade;
        case SkinOutcome::kWouldPack:
            return SkinStatus::kWouldMake;
        case SkinOutcome::kHeldBack:
            return SkinStatus::kHeldBack;
        case SkinOutcome::kInterrupted:
            return SkinStatus::kInterrupted;
        case SkinOutcome::kMissingFiles:
        case SkinOutcome::kInputIsOutput:
        case SkinOutcome::kDeviceName:
            return SkinStatus::kRefused;
        case SkinOutcome::kMbmFailed:
        case SkinOutcome::kPackerNotStarted:
        case SkinOutcome::kPackerFailed:
        case SkinOutcome::kKoloFailed:
        case SkinOutcome::kKoloTooLarge:
        case SkinOutcome::kKoloNotAsWritten:
        case SkinOutcome::kInputIgnored:
            break;
    }
    return SkinStatus::kFailed;
}

}  // namespace

bool SkinVerdict::Made() const {
    return status == SkinStatus::kMade || status == SkinStatus::kMadeWithWarnings;
}

std::size_t SkinVerdict::WarningCount() const {
    return static_cast<std::size_t>(std::count_if(
        faults.begin(), faults.end(), [](const Fault& fault) { return IsWarning(fault.kind); }));
}

const Fault* SkinVerdict::Failure() const {
    const auto failure = std::find_if(faults.begin(), faults.end(),
                                      [](const Fault& fault) { return !IsWarning(fault.kind); });
    return failure != faults.end() ? &*failure : nullptr;
}

SkinVerdict JudgeSkin(Packer& packer, const PackSettings& settings, std::u16string_view outputDir,
                      const Pairing& pairing, std::size_t index) {
    const PairedSkin& skin = pairing.skins[index];
    const std::u16string folder = OutputFolderOf(pairing, outputDir);
    SkinVerdict verdict;
    verdict.name = skin.job.strName;
    verdict.first = skin.first;
    verdict.second = skin.second;
    verdict.folder = pairing.folder;
    verdict.pakPath = PakPathFor(folder, verdict.name);
    if (settings.createKolo) verdict.koloPath = KoloPathFor(verdict.pakPath);
    verdict.faults = skin.warnings;

    // What could never be packed is refused first, warnings or not.
    std::optional<SkinResult> result = RefuseSkin(folder, verdict.name, skin.first, skin.second);
    if (!result && settings.checks.holdBackFaulty && !skin.warnings.empty()) {
        result.emplace();
        result->outcome = SkinOutcome::kHeldBack;
    }
    if (!result)
        result = PackAcceptedSkin(packer, settings, folder, verdict.name, skin.first, skin.second);

    for (FileFault& fault : result->faults) verdict.faults.push_back(FaultOf(std::move(fault)));
    verdict.packageSize = result->packageSize;
    verdict.koloSize = result->koloSize;
    verdict.packerText = std::move(result->packerText);
    verdict.packResult = std::move(result->packResult);
    verdict.commit = std::move(result->commit);
    if (result->outcome == SkinOutcome::kMissingFiles) {
        verdict.faults.push_back(MissingFiles(skin, pairing));
    } else if (auto failure = FailureOf(*result)) {
        verdict.faults.push_back(std::move(*failure));
    }
    verdict.status = StatusOf(*result, verdict);
    return verdict;
}

void SettleVerdict(SkinVerdict& verdict) {
    if (!verdict.commit.valid()) return;
    const KoloCommit committed = verdict.commit.get();
    verdict.commit = {};
    if (committed.result == KoloResult::kOk) return;
    SkinResult result;
    result.outcome = committed.result == KoloResult::kInterrupted ? SkinOutcome::kInterrupted
                                                                  : SkinOutcome::kPackerFailed;
    if (verdict.packResult) {
        verdict.packResult->error = PackageErrorOf(committed.result);
        verdict.packResult->reason = platform::Describe(committed.error);
    }
    verdict.koloSize = 0;
    if (auto failure = FailureOf(result)) verdict.faults.push_back(std::move(*failure));
    verdict.status = StatusOf(result, verdict);
}

}  // namespace pipeline

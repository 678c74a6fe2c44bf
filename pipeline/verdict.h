// What became of a skin in a run or a dry run: one value, decided here and
// nowhere else. vellum's log, mkkolo's text and its report for scripts each
// word it (pipeline/skin_words.h, mkkolo/) and decide nothing themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "packer/pack_job.h"
#include "pipeline/fault.h"
#include "pipeline/pack_skin.h"
#include "pipeline/pairing.h"

namespace pipeline {

enum class SkinStatus {
    kMade,              // its .kolo (or, without one asked for, its package) was written
    kMadeWithWarnings,  // made, and something about it was warned of
    kWouldMake,         // a dry run: it would be made
    kHeldBack,          // a warning held it back: nothing of it was written
    kRefused,           // it could not be packed: nothing was written
    kFailed,            // packing it failed: nothing of it is left
    kInterrupted,       // a request to stop came before it ended: nothing of it is left
};

struct SkinVerdict {
    std::u16string name;
    InputFile first, second;
    SkinStatus status = SkinStatus::kInterrupted;
    // The warnings in the order found (the pairing's, then the checks' in
    // the order of the skin's files), then what kept it from being made.
    std::vector<Fault> faults;
    // The folder below the output folder its package goes into (its
    // pairing's).
    std::u16string folder;
    // Where its package and its .kolo are (or, in a dry run, would be).
    std::u16string pakPath, koloPath;
    // When made by a packer that wrote the .kolo itself.
    std::uint64_t packageSize = 0, koloSize = 0;
    // What the packer said: a packer process's text, or what a packer in
    // this process came to.
    std::u16string packerText;
    std::optional<quill::PackResult> packResult;
    // With KoloOptions::committer: the commit of its archive, until
    // SettleVerdict completes the verdict with what it came to.
    PendingCommit commit;

    bool Made() const;
    std::size_t WarningCount() const;
    // What kept it from being made; nothing when it was (or would be) made
    // or it was interrupted.
    const Fault* Failure() const;
};

// Packs skin `index` of the pairing into `outputDir`, or the pairing's
// folder below it (with settings.dryRun, finds what a run would do), and
// tells what became of it.
// With settings.checks.holdBackFaulty, a pairing's warning holds the skin
// back too. A skin that lacks a file is held against the pairing's other
// paths and its files' folders, for a file that would complete it.
// With settings.kolo.committer the verdict is final only once SettleVerdict
// has seen it.
SkinVerdict JudgeSkin(Packer& packer, const PackSettings& settings, std::u16string_view outputDir,
                      const Pairing& pairing, std::size_t index);

// Waits for the commit of the skin's archive, where a committer makes it,
// and completes the verdict with what it came to: a skin is made only over
// bytes that are committed. A commit that failed fails the skin with the
// packer's words for the .kolo it could not write, as a commit made by the
// packer itself would; one that a request to stop prevented leaves the skin
// not packed.
void SettleVerdict(SkinVerdict& verdict);

}  // namespace pipeline

#include "pipeline/in_process_packer.h"

#include <ctime>
#include <vector>

#include "packer/pack_job.h"
#include "platform/paths.h"

namespace pipeline {
namespace {

quill::PackJob JobFor(std::u16string_view pakPath, std::u16string_view first,
                      std::u16string_view second) {
    quill::PackJob job;
    job.output = pakPath;
    job.inputs = {std::u16string(first), std::u16string(second)};
    return job;
}

// The run as the job's result tells it. `archive`: what became of the
// .kolo, when the packer wrote it.
PackerRun RunOf(quill::PackResult result, KoloWriter::Result archive = KoloWriter::Result::kOk) {
    PackerRun run;
    if (result.ok()) {
        run.status = PackerRun::Status::kSucceeded;
    } else if (result.error == quill::PackageError::kInterrupted) {
        run.status = PackerRun::Status::kInterrupted;
    } else {
        run.status = PackerRun::Status::kFailed;
        // The archive's own troubles, for which the job has no words.
        if (archive == KoloWriter::Result::kTooLarge ||
            archive == KoloWriter::Result::kNotAsWritten) {
            run.archive = archive;
        }
    }
    run.result = std::move(result);
    return run;
}

}  // namespace

quill::PackageError PackageErrorOf(KoloResult result) {
    switch (result) {
        case KoloResult::kOk:
            return quill::PackageError::kNone;
        case KoloResult::kCannotCreate:
            return quill::PackageError::kCreateOutput;
        case KoloResult::kDiskFull:
            return quill::PackageError::kDiskFull;
        case KoloResult::kInterrupted:
            return quill::PackageError::kInterrupted;
        case KoloResult::kOutOfMemory:
            return quill::PackageError::kOutOfMemory;
        case KoloResult::kWriteFailed:
        case KoloResult::kTooLarge:
        case KoloResult::kNotAsWritten:
            break;
    }
    return quill::PackageError::kWriteOutput;
}

PackerRun InProcessPacker::Pack(std::u16string_view pakPath, std::u16string_view first,
                                std::u16string_view second) {
    return RunOf(quill::PackFiles(JobFor(pakPath, first, second)));
}

std::optional<PackerRun> InProcessPacker::PackIntoKolo(std::u16string_view pakPath,
                                                       std::u16string_view first,
                                                       std::u16string_view second,
                                                       const KoloOptions& options,
                                                       const CheckSettings& checks) {
    // Dated as a package file made now would be.
    const std::int64_t moment = options.entryTime.value_or(std::time(nullptr));
    KoloWriter::Result archived = KoloWriter::Result::kOk;
    std::optional<std::u16string> leftOut;
    std::vector<FileFault> faults;
    bool heldBack = false;
    std::uint64_t packageSize = 0, koloSize = 0;
    PendingCommit commit;
    quill::PackResult result = quill::PackInto(
        JobFor(pakPath, first, second),
        [&](quill::Package& package, platform::SystemError& reason) {
            // A package that lacks an input is no skin's: nothing is archived.
            std::vector<std::u16string> held;
            for (const quill::PackedInput& input : package.Inputs())
                held.emplace_back(platform::FindFileName(input.path));
            leftOut = InputLeftOut(held, {std::u16string(first), std::u16string(second)});
            if (leftOut) return quill::PackageError::kNone;
            std::vector<FileCheck> inputChecks;
            quill::EntryObserver observe;
            if (checks.check) {
                for (const quill::PackedInput& input : package.Inputs())
                    inputChecks.emplace_back(input.path);
                observe = [&](std::size_t entry, const void* data, std::size_t size) {
                    inputChecks[entry].Feed({static_cast<const char*>(data), size});
                };
            }
            KoloWriter archive(pakPath, package.size(), moment, options);
            const platform::ByteSink intoArchive = [&](const void* data, std::size_t size) {
                return archive.Write(data, size);
            };
            const bool written = archive.IsOpen() && package.WriteTo(intoArchive, observe);
            // The inputs' failures and a stop are the package's; the
            // archive's own are told by the archive.
            if (!written && archive.IsOpen() &&
                package.error() != quill::PackageError::kWriteOutput)
                return package.error();
            if (written) {
                for (FileCheck& check : inputChecks) {
                    if (auto fault = check.Finish()) faults.push_back(std::move(*fault));
                }
            }
            // Destroyed uncommitted, the archive goes with its temporary file.
            heldBack = !faults.empty() && checks.holdBackFaulty;
            if (heldBack) return quill::PackageError::kNone;
            archived = archive.IsOpen() ? archive.Commit() : archive.result();
            reason = archive.error();
            packageSize = package.size();
            koloSize = archive.size();
            commit = archive.pending();
            return PackageErrorOf(archived);
        });
    PackerRun run = RunOf(std::move(result), archived);
    if (heldBack) run.status = PackerRun::Status::kHeldBack;
    if (leftOut) {
        run.status = PackerRun::Status::kIncomplete;
        run.leftOut = std::move(*leftOut);
    }
    run.faults = std::move(faults);
    run.packageSize = packageSize;
    run.koloSize = koloSize;
    run.commit = std::move(commit);
    return run;
}

}  // namespace pipeline

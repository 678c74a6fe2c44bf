#include "pipeline/in_process_packer.h"

#include <ctime>

#include "packer/console.h"
#include "packer/pack_job.h"

namespace pipeline {
namespace {

quill::PackJob JobFor(std::u16string_view pakPath, std::u16string_view first,
                      std::u16string_view second) {
    quill::PackJob job;
    job.output = pakPath;
    job.inputs = {std::u16string(first), std::u16string(second)};
    return job;
}

// The run as quill would report it: its texts, and its words for a failure.
// `archive`: what became of the .kolo, when the packer wrote it.
PackerRun RunOf(const quill::PackJob& job, const quill::PackResult& result,
                quill::CapturingConsole& console,
                KoloWriter::Result archive = KoloWriter::Result::kOk) {
    PackerRun run;
    if (result.ok()) {
        run.status = PackerRun::Status::kSucceeded;
    } else if (result.error == quill::PackageError::kInterrupted) {
        run.status = PackerRun::Status::kInterrupted;
    } else {
        // The packer has no words for the archive's own troubles.
        if (archive != KoloWriter::Result::kTooLarge &&
            archive != KoloWriter::Result::kNotAsWritten) {
            quill::PrintPackFailure(job, result, console);
        } else {
            run.archive = archive;
        }
        run.status = PackerRun::Status::kFailed;
    }
    run.text = console.message();
    return run;
}

quill::PackageError ArchiveError(KoloWriter::Result result) {
    switch (result) {
        case KoloWriter::Result::kOk:
            return quill::PackageError::kNone;
        case KoloWriter::Result::kCannotCreate:
            return quill::PackageError::kCreateOutput;
        case KoloWriter::Result::kDiskFull:
            return quill::PackageError::kDiskFull;
        case KoloWriter::Result::kInterrupted:
            return quill::PackageError::kInterrupted;
        case KoloWriter::Result::kWriteFailed:
        case KoloWriter::Result::kTooLarge:
        case KoloWriter::Result::kNotAsWritten:
            break;
    }
    return quill::PackageError::kWriteOutput;
}

}  // namespace

PackerRun InProcessPacker::Pack(std::u16string_view pakPath, std::u16string_view first,
                                std::u16string_view second) {
    const quill::PackJob job = JobFor(pakPath, first, second);
    quill::CapturingConsole console;
    return RunOf(job, quill::PackFiles(job, console), console);
}

std::optional<PackerRun> InProcessPacker::PackIntoKolo(std::u16string_view pakPath,
                                                       std::u16string_view first,
                                                       std::u16string_view second,
                                                       const KoloOptions& options) {
    quill::PackJob job = JobFor(pakPath, first, second);
    quill::CapturingConsole console;
    // Dated as a package file made now would be.
    const std::int64_t moment = options.entryTime.value_or(std::time(nullptr));
    KoloWriter::Result archived = KoloWriter::Result::kOk;
    const quill::PackResult result = quill::PackInto(job, console, [&](quill::Package& package) {
        KoloWriter archive(pakPath, package.size(), moment, options);
        if (archive.IsOpen() && !package.WriteTo([&](const void* data, std::size_t size) {
                return archive.Write(data, size);
            })) {
            // The inputs' failures and a stop are the package's; the
            // archive's own are told by the archive.
            if (package.error() != quill::PackageError::kWriteOutput) return package.error();
        }
        archived = archive.IsOpen() ? archive.Commit() : archive.result();
        return ArchiveError(archived);
    });
    // The .kolo is the only file made: a failure to write names it.
    if (result.error == quill::PackageError::kCreateOutput ||
        result.error == quill::PackageError::kWriteOutput ||
        result.error == quill::PackageError::kDiskFull) {
        job.output = KoloPathFor(pakPath);
    }
    return RunOf(job, result, console, archived);
}

}  // namespace pipeline

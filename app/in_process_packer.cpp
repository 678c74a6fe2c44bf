#include "app/in_process_packer.h"

#include "packer/console.h"
#include "packer/pack_job.h"

namespace vellum {

PackerRun InProcessPacker::Pack(std::u16string_view pakPath, std::u16string_view first,
                                std::u16string_view second) {
    quill::PackJob job;
    job.output = pakPath;
    job.inputs = {std::u16string(first), std::u16string(second)};
    quill::CapturingConsole console;
    const quill::PackResult result = quill::PackFiles(job, console);
    PackerRun run;
    if (result.ok()) {
        run.status = PackerRun::Status::kSucceeded;
    } else if (result.error == quill::PackageError::kInterrupted) {
        run.status = PackerRun::Status::kInterrupted;
    } else {
        quill::PrintPackFailure(job, result, console);
        run.status = PackerRun::Status::kFailed;
    }
    run.text = console.text();
    return run;
}

}  // namespace vellum

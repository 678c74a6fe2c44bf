#include "packer/pack_job.h"

#include <new>

#include "platform/files.h"
#include "platform/system_error.h"
#include "platform/text.h"

namespace quill {
namespace {

// What stood at the output path would have been replaced by the package:
// after a failure it must not pass for it. An input at that path stays, and
// a device is no package.
void RemoveStaleOutput(const PackJob& job) {
    if (platform::KindOfPath(job.output) != platform::PathKind::kFile) return;
    for (const std::u16string& input : job.inputs) {
        if (platform::SameFile(job.output, input)) return;
    }
    platform::RemoveFile(job.output);
}

}  // namespace

PackResult PackInto(const PackJob& job, const PackageWriter& write, PackListener* listener) {
    PackResult result;
    if (job.name.size() > kMaxPackageNameLength) {
        result.error = PackageError::kNameTooLong;
        return result;
    }
    Package package;
    const auto ignore = [&](const std::u16string& input) {
        result.ignored.push_back(input);
        if (listener) listener->Ignored(input);
    };
    for (const std::u16string& input : job.inputs) {
        if (!platform::PathExists(input)) {
            ignore(input);
            continue;
        }
        // An input that exists but is no file or is locked for writing
        // is passed over without a word.
        const AddResult added = package.AddFile(input);
        if (added == AddResult::kTooLarge) ignore(input);
        if (added == AddResult::kFailed) {
            result.error = PackageError::kOpenInput;
            result.failedInput = input;
            result.reason = platform::Describe(package.systemError());
            return result;
        }
    }
    if (!package.Prepare(job.name)) {
        result.error = package.error();
        return result;
    }
    result.prepared = true;
    result.packed = package.Inputs();
    if (listener) listener->Prepared(result.packed);
    platform::SystemError reason;
    // Memory that runs out on the way (the writer's buffers, what it checks
    // on the side) fails the job alone: what it held, a half-written file
    // included, went as it unwound.
    try {
        result.error = write(package, reason);
    } catch (const std::bad_alloc&) {
        result.error = PackageError::kOutOfMemory;
    }
    if (!result.ok()) {
        result.failedInput = package.failedInput();
        result.reason = platform::Describe(reason);
    }
    return result;
}

PackResult PackFiles(const PackJob& job, PackListener* listener) {
    const PackResult result = PackInto(
        job,
        [&](Package& package, platform::SystemError& reason) {
            if (package.WriteToFile(job.output)) return PackageError::kNone;
            reason = package.systemError();
            return package.error();
        },
        listener);
    if (!result.ok()) RemoveStaleOutput(job);
    return result;
}

}  // namespace quill

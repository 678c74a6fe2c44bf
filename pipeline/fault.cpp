#include "pipeline/fault.h"

namespace pipeline {

bool IsWarning(Fault::Kind kind) {
    switch (kind) {
        case Fault::Kind::kUnusedFile:
        case Fault::Kind::kReplacedFile:
        case Fault::Kind::kSameExtension:
        case Fault::Kind::kTwoFolders:
        case Fault::Kind::kEmptyFile:
        case Fault::Kind::kSameFile:
        case Fault::Kind::kLayoutNotWellFormed:
        case Fault::Kind::kNotMultiBitmap:
            return true;
        case Fault::Kind::kMissingLayout:
        case Fault::Kind::kMissingBundle:
        case Fault::Kind::kMissingFiles:
        case Fault::Kind::kInputIsOutput:
        case Fault::Kind::kDeviceName:
        case Fault::Kind::kMbmNotPrepared:
        case Fault::Kind::kPackerNotStarted:
        case Fault::Kind::kPackerFailed:
        case Fault::Kind::kKoloFailed:
        case Fault::Kind::kKoloTooLarge:
        case Fault::Kind::kKoloNotAsWritten:
        case Fault::Kind::kInputIgnored:
        case Fault::Kind::kHeldBack:
            break;
    }
    return false;
}

Fault FaultOf(FileFault fault) {
    Fault found;
    found.kind = fault.kind == FileFault::Kind::kNotWellFormed ? Fault::Kind::kLayoutNotWellFormed
                                                               : Fault::Kind::kNotMultiBitmap;
    found.paths = {std::move(fault.path)};
    found.layout = std::move(fault.layout);
    return found;
}

}  // namespace pipeline

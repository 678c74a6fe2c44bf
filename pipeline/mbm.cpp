#include "pipeline/mbm.h"

#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace pipeline {

std::u16string PrepareMbmFile(std::u16string_view mbmPath, std::u16string_view folder,
                              platform::SystemError* error, FileCheck* check) {
    constexpr char kPxaMark = 0x73;
    if (folder.empty()) return {};
    const std::u16string target =
        platform::RemoveExtension(std::u16string(folder) +
                                  std::u16string(platform::FindFileName(mbmPath))) +
        u".pxa";
    const auto failed = [error](platform::SystemError reason) {
        if (error) *error = reason;
        return std::u16string();
    };
    platform::OpenError notOpened;
    platform::File source = platform::File::OpenForReading(mbmPath, &notOpened);
    if (!source.IsOpen()) return failed(notOpened.system);
    // The copy is written whole under a new name of its own and then takes
    // the target's place: nothing found at the target (a link, an older
    // read-only copy) is followed or written into. The mark takes the first
    // byte's place; an empty source gives the mark alone.
    platform::AtomicFile copy(target);
    if (!copy.IsOpen()) return failed(copy.error());
    char first = 0;
    std::size_t got = 0;
    bool copied = source.Read(&first, 1, got) == platform::IoResult::kOk &&
                  copy.file().Write(&kPxaMark, 1) == platform::IoResult::kOk;
    if (copied && check) check->Feed(std::string_view(&first, got));
    copied = copied &&
             platform::CopyStream(source, std::nullopt, [&](const void* data, std::size_t size) {
                 if (check) check->Feed(std::string_view(static_cast<const char*>(data), size));
                 return copy.file().Write(data, size) == platform::IoResult::kOk;
             }) == platform::CopyResult::kOk;
    if (!copied) return failed(platform::LastSystemError());
    if (copy.Commit() != platform::AtomicFile::CommitResult::kOk) return failed(copy.error());
    return target;
}

}  // namespace pipeline

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
    platform::ErrorOr<platform::File> source = platform::File::OpenForReading(mbmPath);
    if (!source) return failed(source.error());
    // The copy is written whole under a new name of its own and then takes
    // the target's place: nothing found at the target (a link, an older
    // read-only copy) is followed or written into. The mark takes the first
    // byte's place; an empty source gives the mark alone.
    platform::ErrorOr<platform::AtomicFile> copy = platform::AtomicFile::Create(target);
    if (!copy) return failed(copy.error());
    char first = 0;
    const platform::ErrorOr<std::size_t> got = source->Read(&first, 1);
    if (!got) return failed(got.error());
    platform::ErrorOr<void> written = copy->file().Write(&kPxaMark, 1);
    if (!written) return failed(written.error());
    if (check) check->Feed(std::string_view(&first, *got));
    const platform::ErrorOr<platform::CopyResult> copied =
        platform::CopyStream(*source, std::nullopt, [&](const void* data, std::size_t size) {
            if (check) check->Feed(std::string_view(static_cast<const char*>(data), size));
            written = copy->file().Write(data, size);
            return static_cast<bool>(written);
        });
    if (!copied) return failed(copied.error());
    if (*copied != platform::CopyResult::kOk) return failed(written.error());
    if (const auto committed = copy->Commit(); !committed) return failed(committed.error());
    return target;
}

}  // namespace pipeline

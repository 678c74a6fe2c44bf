#include "app/kolo.h"

#include <zip.h>

#include <algorithm>
#include <ctime>

#include "app/zip_file.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vellum {
namespace {

constexpr int kDeflateLevel = 9;

// The archive is written through these functions onto a file the wrapper has
// opened itself, so it can be made durable before it takes its name.
struct ArchiveStream {
    platform::File* file;
    bool failed = false;
};

voidpf OpenStream(voidpf opaque, const void*, int) {
    return opaque;
}

uLong ReadStream(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* archive = static_cast<ArchiveStream*>(stream);
    std::size_t got = 0;
    if (archive->file->Read(buffer, size, got) != platform::IoResult::kOk) archive->failed = true;
    return static_cast<uLong>(got);
}

uLong WriteStream(voidpf, voidpf stream, const void* buffer, uLong size) {
    auto* archive = static_cast<ArchiveStream*>(stream);
    if (archive->file->Write(buffer, size) == platform::IoResult::kOk) return size;
    archive->failed = true;
    return 0;
}

ZPOS64_T TellStream(voidpf, voidpf stream) {
    return TellZipFile(*static_cast<ArchiveStream*>(stream)->file);
}

long SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    return SeekZipFile(*static_cast<ArchiveStream*>(stream)->file, offset, origin);
}

// The file stays open: the wrapper flushes and closes it.
int CloseStream(voidpf, voidpf) {
    return 0;
}

int StreamError(voidpf, voidpf stream) {
    return static_cast<ArchiveStream*>(stream)->failed ? 1 : 0;
}

// Copies the package into the archive's one entry.
bool WriteEntry(zipFile zip, platform::File& package, const std::string& entryName,
                std::uint32_t dosDate) {
    zip_fileinfo info{};
    info.dosDate = dosDate;
    if (zipOpenNewFileInZip(zip, entryName.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                            Z_DEFLATED, kDeflateLevel) != ZIP_OK) {
        return false;
    }
    const bool copied =
        platform::CopyStream(package, std::nullopt, [&](const void* data, std::size_t size) {
            return zipWriteInFileInZip(zip, data, static_cast<unsigned>(size)) == ZIP_OK;
        }) == platform::CopyResult::kOk;
    return zipCloseFileInZip(zip) == ZIP_OK && copied;
}

}  // namespace

std::u16string KoloPathFor(std::u16string_view pakPath) {
    return platform::RemoveExtension(pakPath) + u".kolo";
}

std::uint32_t DosDateTime(std::int64_t seconds) {
    // The format counts years from 1980 in 7 bits. A moment far outside is
    // brought near the range before it is converted, so no conversion can
    // overflow and every system gives the same date: two days either side
    // cover every time zone.
    constexpr std::int64_t kDay = 24 * 60 * 60;
    constexpr std::int64_t kFirst = 315532800;  // 1980-01-01 00:00:00 UTC
    constexpr std::int64_t kLast = 4354819199;  // 2107-12-31 23:59:59 UTC
    constexpr platform::LocalDateTime kEarliest{1980, 1, 1, 0, 0, 0};
    constexpr platform::LocalDateTime kLatest{2107, 12, 31, 23, 59, 58};
    const auto local =
        platform::ToLocalTime(std::clamp(seconds, kFirst - 2 * kDay, kLast + 2 * kDay));
    platform::LocalDateTime t = local.value_or(seconds < kFirst ? kEarliest : kLatest);
    if (t.year < 1980) t = kEarliest;
    if (t.year > 2107) t = kLatest;
    const std::uint32_t date =
        static_cast<std::uint32_t>(t.day + t.month * 32 + (t.year - 1980) * 512);
    const std::uint32_t time =
        static_cast<std::uint32_t>(t.second / 2 + t.minute * 32 + t.hour * 2048);
    return date << 16 | time;
}

bool MakeKoloPackage(std::u16string_view pakPath, bool deletePak,
                     std::optional<std::int64_t> entryTime) {
    const std::u16string koloPath = KoloPathFor(pakPath);
    platform::File package = platform::File::OpenForReading(pakPath);
    bool ok = package.IsOpen();
    if (ok) {
        platform::AtomicFile archive(koloPath);
        const std::int64_t moment =
            entryTime ? *entryTime : platform::CreationTime(pakPath).value_or(std::time(nullptr));
        ArchiveStream stream{&archive.file()};
        zlib_filefunc64_def io{OpenStream, ReadStream,  WriteStream, TellStream,
                               SeekStream, CloseStream, StreamError, &stream};
        zipFile zip = archive.IsOpen()
                          ? zipOpen2_64(koloPath.c_str(), APPEND_STATUS_CREATE, nullptr, &io)
                          : nullptr;
        ok = zip != nullptr;
        if (ok) {
            const std::string entryName = platform::ToThreadAnsi(platform::FindFileName(pakPath));
            ok = WriteEntry(zip, package, entryName, DosDateTime(moment));
            ok = zipClose(zip, nullptr) == ZIP_OK && ok && !stream.failed;
        }
        ok = ok && archive.Commit() == platform::AtomicFile::CommitResult::kOk;
    }
    package.Close();
    // After a failure an older archive at the path is as it was: the run
    // removes only what it made itself.
    if (ok && deletePak) platform::RemoveFile(pakPath);
    return ok;
}

}  // namespace vellum

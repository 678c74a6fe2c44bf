#include "app/kolo.h"

#include <zip.h>

#include <ctime>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace vellum {
namespace {

constexpr int kDeflateLevel = 9;
constexpr std::size_t kChunkSize = 64 * 1024;

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
    const auto position = static_cast<ArchiveStream*>(stream)->file->Tell();
    return position ? *position : static_cast<ZPOS64_T>(-1);
}

long SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    platform::File& file = *static_cast<ArchiveStream*>(stream)->file;
    std::optional<std::uint64_t> base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = file.Tell();
    if (origin == ZLIB_FILEFUNC_SEEK_END) base = file.Size();
    return base && file.Seek(*base + offset) ? 0 : -1;
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
    std::string buffer(kChunkSize, '\0');
    bool ok = true;
    for (std::size_t got = 0;;) {
        if (package.Read(buffer.data(), buffer.size(), got) != platform::IoResult::kOk) {
            ok = false;
            break;
        }
        if (got == 0) break;
        if (zipWriteInFileInZip(zip, buffer.data(), static_cast<unsigned>(got)) != ZIP_OK) {
            ok = false;
            break;
        }
    }
    return zipCloseFileInZip(zip) == ZIP_OK && ok;
}

}  // namespace

std::u16string KoloPathFor(std::u16string_view pakPath) {
    return platform::RemoveExtension(pakPath) + u".kolo";
}

std::uint32_t DosDateTime(std::int64_t seconds) {
    platform::LocalDateTime t = platform::ToLocalTime(seconds);
    // The format counts years from 1980 in 7 bits.
    if (t.year < 1980) t = {1980, 1, 1, 0, 0, 0};
    if (t.year > 2107) t = {2107, 12, 31, 23, 59, 58};
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
    platform::File archive;
    const std::u16string temporary =
        package.IsOpen() ? platform::CreateTempFileBeside(koloPath, archive) : std::u16string();

    bool ok = !temporary.empty();
    if (ok) {
        const std::int64_t moment =
            entryTime ? *entryTime : platform::CreationTime(pakPath).value_or(std::time(nullptr));
        ArchiveStream stream{&archive};
        zlib_filefunc64_def io{OpenStream, ReadStream,  WriteStream, TellStream,
                               SeekStream, CloseStream, StreamError, &stream};
        zipFile zip = zipOpen2_64(temporary.c_str(), APPEND_STATUS_CREATE, nullptr, &io);
        ok = zip != nullptr;
        if (ok) {
            const std::string entryName = platform::ToThreadAnsi(platform::FindFileName(pakPath));
            ok = WriteEntry(zip, package, entryName, DosDateTime(moment));
            ok = zipClose(zip, nullptr) == ZIP_OK && ok && !stream.failed;
        }
        ok = ok && archive.FlushToDisk() == platform::IoResult::kOk && archive.Close() &&
             platform::MoveReplacing(temporary, koloPath);
    }
    package.Close();
    if (!ok) {
        archive.Close();
        if (!temporary.empty()) platform::RemoveFile(temporary);
        // An older archive of this name must not pass for this package's.
        platform::RemoveFile(koloPath);
        return false;
    }
    if (deletePak) platform::RemoveFile(pakPath);
    return true;
}

}  // namespace vellum

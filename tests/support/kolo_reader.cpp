#include "tests/support/kolo_reader.h"

#include <zip.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "pipeline/zip_format.h"
#include "tests/support/temp_dir.h"

namespace testing_support {

namespace {

// minizip's file functions on bytes in memory.
struct Memory {
    std::string_view bytes;
    std::uint64_t position = 0;
};

Memory& MemoryOf(voidpf stream) {
    return *static_cast<Memory*>(stream);
}

voidpf OpenMemory(voidpf opaque, const void*, int) {
    return opaque;
}

uLong ReadMemory(voidpf, voidpf stream, void* buffer, uLong size) {
    Memory& m = MemoryOf(stream);
    if (m.position >= m.bytes.size()) return 0;
    const std::size_t got = std::min<std::uint64_t>(size, m.bytes.size() - m.position);
    std::memcpy(buffer, m.bytes.data() + m.position, got);
    m.position += got;
    return static_cast<uLong>(got);
}

uLong WriteNothing(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T TellMemory(voidpf, voidpf stream) {
    return MemoryOf(stream).position;
}

long SeekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    Memory& m = MemoryOf(stream);
    m.position = offset + (origin == ZLIB_FILEFUNC_SEEK_CUR   ? m.position
                           : origin == ZLIB_FILEFUNC_SEEK_END ? m.bytes.size()
                                                              : 0);
    return 0;
}

int CloseMemory(voidpf, voidpf) {
    return 0;
}

int NoError(voidpf, voidpf) {
    return 0;
}

}  // namespace

std::optional<KoloEntry> ReadSingleEntry(const std::filesystem::path& archive) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(archive, error)) return std::nullopt;
    return ReadSingleEntryFromBytes(ReadBytes(archive));
}

std::optional<KoloEntry> ReadSingleEntryFromBytes(std::string_view archive) {
    Memory memory{archive};
    zlib_filefunc64_def io{OpenMemory, ReadMemory,  WriteNothing, TellMemory,
                           SeekMemory, CloseMemory, NoError,      &memory};
    unzFile zip = unzOpen2_64("", &io);
    if (!zip) return std::nullopt;
    unz_global_info global;
    KoloEntry entry;
    unz_file_info info;
    // The extra field is read too, so that a header running past the
    // archive's end is refused.
    const std::size_t longest =
        std::min<std::size_t>(archive.size(), pipeline::zip::kMaxFieldLength);
    std::string name(longest, '\0'), extra(longest, '\0');
    bool ok = unzGetGlobalInfo(zip, &global) == UNZ_OK && global.number_entry == 1 &&
              unzGetCurrentFileInfo(zip, &info, name.data(), static_cast<uLong>(name.size()),
                                    extra.data(), static_cast<uLong>(extra.size()), nullptr,
                                    0) == UNZ_OK &&
              unzOpenCurrentFile(zip) == UNZ_OK;
    if (ok) {
        entry.name = name.substr(0, info.size_filename);
        entry.method = info.compression_method;
        entry.flag = info.flag;
        entry.compressedSize = info.compressed_size;
        entry.date = info.tmu_date;
        char chunk[65536];
        int got;
        while ((got = unzReadCurrentFile(zip, chunk, sizeof chunk)) > 0)
            entry.data.append(chunk, got);
        ok = got == 0 && entry.data.size() == info.uncompressed_size;
        ok = unzCloseCurrentFile(zip) == UNZ_OK && ok;  // checks the CRC
    }
    unzClose(zip);
    if (!ok) return std::nullopt;
    return entry;
}

void WriteZip(const std::filesystem::path& archive,
              const std::vector<std::pair<std::string, std::string>>& entries, int method,
              bool zip64) {
    zipFile zip = zipOpen64(archive.string().c_str(), APPEND_STATUS_CREATE);
    bool ok = zip != nullptr;
    for (const auto& [name, data] : entries) {
        zip_fileinfo info{};
        ok = ok &&
             zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                   method, method == 0 ? 0 : 9, zip64) == ZIP_OK &&
             zipWriteInFileInZip(zip, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK &&
             zipCloseFileInZip(zip) == ZIP_OK;
    }
    if (zip) ok = zipClose(zip, nullptr) == ZIP_OK && ok;
    if (!ok) throw std::runtime_error("cannot write " + archive.string());
}

}  // namespace testing_support

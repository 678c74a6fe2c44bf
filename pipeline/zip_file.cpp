#include "pipeline/zip_file.h"

namespace pipeline {

ZPOS64_T TellZipFile(platform::File& file) {
    const auto position = file.Tell();
    return position ? *position : static_cast<ZPOS64_T>(-1);
}

long SeekZipFile(platform::File& file, ZPOS64_T offset, int origin) {
    std::optional<std::uint64_t> base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = file.Tell();
    if (origin == ZLIB_FILEFUNC_SEEK_END) base = file.Size();
    return base && file.Seek(*base + offset) ? 0 : -1;
}

}  // namespace pipeline

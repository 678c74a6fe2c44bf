#include "pipeline/zip_file.h"

#include <algorithm>
#include <cstring>

namespace pipeline {
namespace {

ZipStream& StreamOf(voidpf stream) {
    return *static_cast<ZipStream*>(stream);
}

voidpf OpenStream(voidpf opaque, const void*, int) {
    return opaque;
}

uLong ReadStream(voidpf, voidpf stream, void* buffer, uLong size) {
    return static_cast<uLong>(StreamOf(stream).Read(buffer, size));
}

// The reader writes nothing.
uLong WriteStream(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T TellStream(voidpf, voidpf stream) {
    return StreamOf(stream).position();
}

// Any position is taken: reading past the end gives no bytes.
long SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    ZipStream& zip = StreamOf(stream);
    const std::uint64_t base = origin == ZLIB_FILEFUNC_SEEK_CUR   ? zip.position()
                               : origin == ZLIB_FILEFUNC_SEEK_END ? zip.size()
                                                                  : 0;
    zip.MoveTo(base + offset);
    return 0;
}

// The file stays open: its owner closes it.
int CloseStream(voidpf, voidpf) {
    return 0;
}

int StreamError(voidpf, voidpf stream) {
    return StreamOf(stream).failed() ? 1 : 0;
}

}  // namespace

ZipStream::ZipStream(platform::File& file) : m_file(file), m_buffer(new char[kBufferSize]) {
    const auto size = file.Size();
    const auto position = file.Tell();
    if (!size || !position) {
        Fail(position ? size.error() : position.error());
        return;
    }
    m_size = *size;
    m_position = m_filePosition = *position;
}

zlib_filefunc64_def ZipStream::Functions() {
    return {OpenStream, ReadStream,  WriteStream, TellStream,
            SeekStream, CloseStream, StreamError, this};
}

void ZipStream::Fail(platform::SystemError error) {
    if (m_failed) return;
    m_failed = true;
    m_error = error;
}

bool ZipStream::SeekFile(std::uint64_t position) {
    if (position == m_filePosition) return true;
    if (const auto moved = m_file.Seek(position); !moved) {
        Fail(moved.error());
        return false;
    }
    m_filePosition = position;
    return true;
}

std::size_t ZipStream::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
    m_position = offset;
    return Read(buffer, size);
}

std::size_t ZipStream::Read(void* to, std::size_t capacity) {
    std::size_t done = 0;
    while (done < capacity) {
        if (m_position < m_bufferStart || m_position - m_bufferStart >= m_bufferLength) {
            if (!Fill()) break;
        }
        const auto at = static_cast<std::size_t>(m_position - m_bufferStart);
        const std::size_t n = std::min(capacity - done, m_bufferLength - at);
        std::memcpy(static_cast<char*>(to) + done, m_buffer.get() + at, n);
        done += n;
        m_position += n;
    }
    return done;
}

// The bytes from the position on; false at or past the end.
bool ZipStream::Fill() {
    m_bufferLength = 0;
    m_bufferStart = m_position;
    if (m_position >= m_size || !SeekFile(m_position)) return false;
    const platform::ErrorOr<std::size_t> got = m_file.Read(m_buffer.get(), kBufferSize);
    if (!got) {
        Fail(got.error());
        return false;
    }
    m_filePosition += *got;
    m_bufferLength = *got;
    return *got > 0;
}

}  // namespace pipeline

// minizip's file functions on a file this program opened itself: the
// .kolo reader's adapter, so any path opens and a failure carries the
// system's reason. minizip reads headers a byte or two at a time and seeks
// before most reads: reads are served from a buffer of the file's bytes, so
// even a header that claims tens of thousands of extra fields costs no
// system call each. Nothing is written through it.
#pragma once

#include <ioapi.h>

#include <cstdint>
#include <memory>

#include "platform/files.h"

namespace pipeline {

class ZipStream {
  public:
    // The file stays the caller's: it must outlive the stream, and is not
    // closed by it.
    explicit ZipStream(platform::File& file);
    ZipStream(const ZipStream&) = delete;
    ZipStream& operator=(const ZipStream&) = delete;

    // The functions to open an archive with (unzOpen2_64).
    zlib_filefunc64_def Functions();

    // Up to `size` bytes from `offset`; fewer at the end or after a failure.
    std::size_t ReadAt(std::uint64_t offset, void* buffer, std::size_t size);
    // The file's length, measured when the stream was made.
    std::uint64_t size() const { return m_size; }

    // The first failure, if one came, and the system's reason for it.
    bool failed() const { return m_failed; }
    platform::SystemError error() const { return m_error; }

    // What minizip calls.
    std::size_t Read(void* to, std::size_t capacity);
    std::uint64_t position() const { return m_position; }
    void MoveTo(std::uint64_t position) { m_position = position; }

  private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    bool Fill();
    bool SeekFile(std::uint64_t position);
    void Fail(platform::SystemError error);

    platform::File& m_file;
    std::uint64_t m_size = 0;
    std::uint64_t m_position = 0;      // where minizip reads or writes next
    std::uint64_t m_filePosition = 0;  // where the file's own position stands
    std::unique_ptr<char[]> m_buffer;
    std::uint64_t m_bufferStart = 0;  // where the buffer's bytes are in the file
    std::size_t m_bufferLength = 0;
    bool m_failed = false;
    platform::SystemError m_error;
};

}  // namespace pipeline

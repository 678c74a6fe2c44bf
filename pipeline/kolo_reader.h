// Reading a .kolo back: a ZIP archive that must hold exactly one deflated
// entry, whose bytes (a package) are handed on as they inflate. The archive
// is read through minizip's unzip side, which checks the entry's CRC once
// all of it has been read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "packer/package_reader.h"
#include "platform/files.h"
#include "platform/system_error.h"

namespace pipeline {

enum class KoloFault {
    kNone,
    kNotZip,       // no ZIP archive
    kEntryCount,   // `count` entries instead of one
    kNotDeflated,  // the entry is stored with another method
    kBadData,      // the compressed data or the sizes do not hold
    kBadCrc,       // the inflated bytes do not give the stored CRC
    kReadFailed,   // the file could not be read: see systemError()
};

struct KoloEntryInfo {
    std::string name;  // 8-bit, as stored
    unsigned long method = 0;
    std::uint64_t compressedSize = 0, size = 0;
    // The date, as stored (local time).
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class KoloReader final : public quill::ByteSource {
  public:
    KoloReader();
    ~KoloReader() override;
    KoloReader(const KoloReader&) = delete;
    KoloReader& operator=(const KoloReader&) = delete;

    // Takes the open file and opens its one entry for reading.
    bool Open(platform::File file);
    const KoloEntryInfo& entry() const { return m_entry; }
    // How many entries the archive holds, once it opened as one.
    std::uint64_t count() const { return m_count; }

    // The entry's bytes, inflated.
    bool Read(void* buffer, std::size_t capacity, std::size_t& got) override;
    // After the last byte: whether the CRC holds.
    bool Finish();

    KoloFault fault() const { return m_fault; }
    // The file minizip reads through, known to the reading functions only.
    struct Archive;
    platform::SystemError systemError() const { return m_systemError; }

  private:
    bool Fail(KoloFault fault);

    std::unique_ptr<Archive> m_archive;
    void* m_zip = nullptr;
    bool m_bEntryOpen = false;
    std::uint64_t m_delivered = 0;
    std::uint64_t m_count = 0;
    KoloEntryInfo m_entry;
    KoloFault m_fault = KoloFault::kNone;
    platform::SystemError m_systemError;
};

}  // namespace pipeline

// Reading a .kolo back: a ZIP archive that must hold exactly one deflated
// entry, whose bytes (a package) are handed on as they inflate. The archive
// is read through minizip's unzip side, which checks the entry's CRC once
// all of it has been read. What minizip would read past or read otherwise
// than other readers do (encryption, ZIP64, flags it does not know) is
// refused before any of the entry is read.
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
    kNotZip,           // no ZIP archive
    kTruncated,        // a ZIP archive's start without its end record
    kZip64,            // ZIP64 end records or extra fields
    kEntryCount,       // `count` entries instead of one
    kEncrypted,        // the entry is encrypted, or its local header masked
    kNotDeflated,      // the entry is stored with another method
    kUnsupportedFlag,  // a flag bit this reader does not read: see flagBit()
    kBadData,          // the compressed data or the sizes do not hold
    kBadCrc,           // the inflated bytes do not give the stored CRC
    kReadFailed,       // the file could not be read: see systemError()
};

struct KoloEntryInfo {
    std::string name;  // as stored: 8-bit, or UTF-8 with zip::kUtf8NameFlag
    unsigned long method = 0;
    // The flag bits of the central directory and, once the entry is open,
    // of its local header.
    unsigned long flags = 0;
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
    // With kUnsupportedFlag: the lowest flag bit that is not read.
    unsigned flagBit() const { return m_flagBit; }
    platform::SystemError systemError() const { return m_systemError; }

  private:
    // The file minizip reads through.
    struct Archive;
    bool Fail(KoloFault fault);
    bool FindEndRecord();
    // Refuses an entry whose header (central or local, with its extra
    // field) asks for what this reader does not do.
    bool CheckHeader(unsigned long flags, const std::string& extra);
    bool CheckLocalHeader(std::size_t nameSize);

    std::unique_ptr<Archive> m_archive;
    void* m_zip = nullptr;
    bool m_entryOpen = false;
    std::uint64_t m_delivered = 0;
    std::uint64_t m_count = 0;
    KoloEntryInfo m_entry;
    KoloFault m_fault = KoloFault::kNone;
    unsigned m_flagBit = 0;
    platform::SystemError m_systemError;
};

}  // namespace pipeline

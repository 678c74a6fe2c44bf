// Reading a package back, front to back, from bytes that may come from
// anywhere (a damaged download, a file made to do harm). Every offset and
// size is checked against the layout (see package.h) before it is used, all
// sums are 64-bit, and nothing is allocated by what a field claims: memory
// grows only with the bytes actually read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace quill {

// Where a package's bytes come from, in file order.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Up to `capacity` bytes; `got` is 0 at the end. False when reading failed.
    virtual bool Read(void* buffer, std::size_t capacity, std::size_t& got) = 0;
};

// Reads a plain file as the package reader's bytes, keeping the system's
// reason for a failure.
class FileSource final : public ByteSource {
  public:
    explicit FileSource(platform::File& file) : m_file(file) {}
    bool Read(void* buffer, std::size_t capacity, std::size_t& got) override;
    platform::SystemError error() const { return m_error; }

  private:
    platform::File& m_file;
    platform::SystemError m_error;
};

enum class PackageSection { kHeader, kNameBlock, kIndexTable, kNameTable, kTerminator, kContents };

// The first rule of the layout that the bytes break.
enum class PackageFault {
    kNone,
    kTruncated,          // the file ends inside `section`: `found` bytes, `expected` needed
    kReadFailed,         // the source failed or ended before its length
    kStopped,            // the sink of an entry's contents refused them
    kBadMagic,           // `found`: the first word
    kBadVersion,         // `found`
    kReservedNotZero,    // a reserved header word
    kNameTooLong,        // `found`: the package name's length, above 1016
    kBadIndexLength,     // `found`: not 8N + 12 with N >= 1
    kNameOffset,         // entry `entry`'s name offset is `found`, its record lies at `expected`
    kBadName,            // entry `entry`'s name is no valid UTF-16
    kNameTableSize,      // the name block says `found`, the records take `expected`
    kEndNameOffset,      // the end slot's name offset is `found`, the terminator lies at `expected`
    kTerminatorNotZero,  // `found`
    kFirstDataOffset,    // entry 0's data offset is `found`, the contents start at `expected`
    kDataOffsetBack,     // slot `entry`'s data offset `found` is below the one before, `expected`
    kLength,             // the end slot's data offset is `found`, the file's length `expected`
};

struct PackageProblem {
    PackageFault fault = PackageFault::kNone;
    PackageSection section = PackageSection::kHeader;  // with kTruncated
    std::size_t entry = 0;                             // counted from 0; N for the end slot
    std::uint64_t found = 0, expected = 0;
};

struct PackageEntryInfo {
    std::u16string name;
    std::uint32_t size = 0;
};

struct PackageIndex {
    std::string name;  // 8-bit, as stored
    std::vector<PackageEntryInfo> entries;
};

class PackageReader {
  public:
    // `length`: how many bytes the source says it holds.
    PackageReader(ByteSource& source, std::uint64_t length);

    // Reads and checks everything before the contents.
    bool ReadIndex();
    const PackageIndex& index() const { return m_index; }

    // Hands the next entry's contents to `sink`, entries in order, after
    // ReadIndex. The last one read, the source must be at its end.
    bool ReadNextEntry(const platform::ByteSink& sink);

    const PackageProblem& problem() const { return m_problem; }

  private:
    bool Fail(PackageFault fault, std::uint64_t found = 0, std::uint64_t expected = 0,
              std::size_t entry = 0);
    // Whether the file holds `length` bytes from the current position.
    bool Holds(std::uint64_t length, PackageSection section);
    bool ReadExactly(void* buffer, std::size_t length);
    bool ReadWord(std::uint32_t& value);
    bool Skip(std::uint64_t length);
    bool ReadName(PackageEntryInfo& entry, std::size_t number);

    // One index table slot.
    struct Slot {
        std::uint32_t name = 0, data = 0;  // the offsets of a name record and of contents
    };
    // The sections in file order, each after the one before has been read.
    bool ReadHeader();
    bool ReadNameBlock(std::uint32_t& nameTableSize);
    bool ReadIndexTable(std::vector<Slot>& slots);
    bool ReadNameTable(const std::vector<Slot>& slots, std::uint32_t nameTableSize);
    bool ReadTerminator();
    bool CheckDataOffsets(const std::vector<Slot>& slots);

    ByteSource& m_source;
    const std::uint64_t m_length;
    std::uint64_t m_position = 0;
    std::size_t m_nextEntry = 0;
    PackageIndex m_index;
    PackageProblem m_problem;
};

}  // namespace quill

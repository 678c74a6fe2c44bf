// The package file (.pak) and the builder that writes it.
//
// Layout, all integers unsigned 32-bit little-endian, all offsets absolute,
// sections back to back:
//
//   header       magic "QUIL", version 1, two reserved words 0      16 bytes
//   name block   name table size T, name length L, the 8-bit name,
//                padding to a multiple of 4                          B bytes
//   index table  its own length X = 8N + 12; per entry the offset of its
//                name record and of its contents; an end slot with the
//                offset of the terminator word and the file length   X bytes
//   name table   per entry: unit count n, n UTF-16LE units, padding  T bytes
//   terminator   0, read as an empty name record by the end slot     4 bytes
//   contents     each input's bytes, unchanged, in entry order
//
// Sizes are not stored: an entry's size is the next slot's data offset minus
// its own. Padding is zero.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace quill {

constexpr std::uint32_t kPackageMagic = 0x4C495551;  // "QUIL" as bytes on disk
constexpr std::uint32_t kPackageVersion = 1;
constexpr std::uint32_t kWordSize = 4;
constexpr std::uint32_t kHeaderSize = 4 * kWordSize;
// The name block's words before the name: the name table's size and the
// name's length.
constexpr std::uint32_t kNameBlockWordsSize = 2 * kWordSize;
// The name block is assembled in a buffer of this size, which is what limits
// the package name: a length word and a size word leave 1016 bytes.
constexpr std::uint32_t kNameBlockCapacity = 1024;
constexpr std::uint32_t kMaxPackageNameLength = kNameBlockCapacity - kNameBlockWordsSize;
// An index table slot: the offsets of a name record and of contents.
constexpr std::uint32_t kIndexSlotSize = 2 * kWordSize;
// The index table's own length word and its end slot.
constexpr std::uint32_t kIndexTableFixedSize = kWordSize + kIndexSlotSize;
// The name table starts at this size and grows by it.
constexpr std::uint32_t kNameTableStep = 1024;
// Offsets are 32-bit: a package must stay below this.
constexpr std::uint64_t kPackageSizeLimit = 1ull << 32;

// The length of the index table of `entries` entries.
constexpr std::uint64_t IndexTableLengthFor(std::uint64_t entries) {
    return kIndexSlotSize * entries + kIndexTableFixedSize;
}

// An input taken into a package, as the summary names it.
struct PackedInput {
    std::u16string path;  // as given
    std::uint32_t size;
};

enum class AddResult {
    kAdded,
    kCannotOpen,  // missing, a folder or a device, locked for writing
    kTooLarge,    // 4 GiB or more: its size has no 32-bit representation
    kFailed,      // it exists but the system refused it: see systemError()
};

// Hears an entry's contents as they are written: the entry's number in
// package order and the next of its bytes.
using EntryObserver = std::function<void(std::size_t entry, const void* data, std::size_t size)>;

// Why the last Prepare or WriteToFile failed.
enum class PackageError {
    kNone,
    kNoEntries,
    kNameTooLong,
    kTooLarge,  // the package would reach 4 GiB
    kOutOfMemory,
    kSameAsInput,   // the output path names one of the inputs
    kCreateOutput,  // see systemError()
    kWriteOutput,   // see systemError()
    kDiskFull,
    kOpenInput,     // see failedInput() and systemError()
    kReadInput,     // see failedInput()
    kInputChanged,  // an input's size changed after it was measured
    kInterrupted,   // a request to stop came while writing
};

class Package {
  public:
    Package() = default;
    ~Package();
    Package(const Package&) = delete;
    Package& operator=(const Package&) = delete;

    // Opens the file to read it and keeps it open until the package is
    // destroyed, so nobody can change it meanwhile.
    AddResult AddFile(std::u16string_view path);
    // The system's reason for the last AddFile that gave kFailed, or for the
    // output that WriteToFile could not create or write.
    const platform::SystemError& systemError() const { return m_systemError; }
    // Builds the blocks for the 8-bit package name and assigns the offsets.
    bool Prepare(std::string_view name);
    // The inputs taken, in package order: what the summary shows.
    std::vector<PackedInput> Inputs() const;
    // The package's length in bytes, once prepared.
    std::uint32_t size() const;
    // Writes the package. A file appears at `path` only when every byte was
    // written; after a failure what stood there is untouched. A device or a
    // pipe is written into directly.
    bool WriteToFile(std::u16string_view path);
    // Hands the prepared package's bytes to `sink`, in order: the blocks,
    // then each input's contents, which `observe` (when given) hears before
    // the sink. A sink that refuses them gives kWriteOutput.
    bool WriteTo(const platform::ByteSink& sink, const EntryObserver& observe = {});

    std::size_t entryCount() const { return m_entries.size(); }
    PackageError error() const { return m_error; }
    // The input that could not be read, after kReadInput or kInputChanged.
    const std::u16string& failedInput() const { return m_strFailedInput; }

  private:
    struct FreeDeleter {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    using Buffer = std::unique_ptr<std::uint8_t, FreeDeleter>;

    struct PackageEntry {
        std::u16string path;  // as given to AddFile
        platform::File handle;
        std::uint32_t size;
    };

    bool SetName(std::string_view name);
    bool BuildIndexTable();
    bool BuildNameTable();
    bool AssignDataOffsets();
    bool WriteAll(platform::File& output);
    bool CopyFileData(const platform::ByteSink& sink, PackageEntry& entry);
    bool Fail(PackageError error);
    std::uint32_t IndexTableLength() const;
    void StoreSlot(std::size_t slot, std::size_t field, std::uint32_t value);

    // The header words, in file order.
    const std::uint32_t m_magic = kPackageMagic;
    const std::uint32_t m_version = kPackageVersion;
    const std::uint32_t m_reserved1 = 0;
    const std::uint32_t m_reserved2 = 0;
    Buffer m_nameBlock;
    std::uint32_t m_nameBlockLength = 0;
    Buffer m_indexTable;  // its first word holds its own length
    Buffer m_nameTable;
    std::uint32_t m_nameTableLength = 0;
    std::vector<PackageEntry> m_entries;

    PackageError m_error = PackageError::kNone;
    std::u16string m_strFailedInput;
    platform::SystemError m_systemError;
};

}  // namespace quill

#include "packer/package.h"

#include <cstring>

#include "packer/write_cursor.h"
#include "platform/atomic_file.h"
#include "platform/little_endian.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace quill {
namespace {

constexpr std::size_t kNameOffsetField = 0;
constexpr std::size_t kDataOffsetField = 1;

}  // namespace

Package::~Package() {
    m_nameBlock.reset();
    m_nameTable.reset();
    m_indexTable.reset();
    for (PackageEntry& entry : m_entries) entry.handle.Close();
}

AddResult Package::AddFile(std::u16string_view path) {
    platform::ErrorOr<platform::File> file = platform::File::OpenForReading(path);
    if (!file) {
        const platform::SystemError error = file.error();
        if (platform::IsMissing(error) || platform::IsNotAFile(error) || platform::IsInUse(error))
            return AddResult::kCannotOpen;
        // Too many open files, no memory, an I/O error: the input would be
        // lost without a word.
        m_systemError = error;
        return AddResult::kFailed;
    }
    const auto size = file->Size();
    if (!size) {
        m_systemError = size.error();
        return AddResult::kFailed;
    }
    if (*size >= kPackageSizeLimit) return AddResult::kTooLarge;
    m_entries.push_back(
        {std::u16string(path), std::move(*file), static_cast<std::uint32_t>(*size)});
    return AddResult::kAdded;
}

bool Package::Prepare(std::string_view name) {
    m_error = PackageError::kNone;
    return SetName(name) && BuildIndexTable() && BuildNameTable() && AssignDataOffsets();
}

bool Package::Fail(PackageError error) {
    m_error = error;
    return false;
}

bool Package::SetName(std::string_view name) {
    if (name.size() > kMaxPackageNameLength) return Fail(PackageError::kNameTooLong);
    Buffer block(static_cast<std::uint8_t*>(std::calloc(kNameBlockCapacity, 1)));
    if (!block) return Fail(PackageError::kOutOfMemory);
    WriteCursor cursor{block.get(), kNameBlockCapacity};
    const auto length = static_cast<std::uint32_t>(name.size());
    // The name table size is not known yet: BuildNameTable fills it in.
    if (WriteUInt32(cursor, 0) != SER_OK ||
        WriteCountedBlob(cursor, name.empty() ? "" : name.data(), length) != SER_OK) {
        return Fail(PackageError::kNameTooLong);
    }
    m_nameBlock = std::move(block);
    m_nameBlockLength = kNameBlockWordsSize + length + PaddingFor(length);
    return true;
}

bool Package::BuildIndexTable() {
    if (m_entries.empty()) return Fail(PackageError::kNoEntries);
    const std::uint64_t length = IndexTableLengthFor(m_entries.size());
    if (length >= kPackageSizeLimit) return Fail(PackageError::kTooLarge);
    Buffer table(static_cast<std::uint8_t*>(std::calloc(length, 1)));
    if (!table) return Fail(PackageError::kOutOfMemory);
    platform::StoreUInt32(table.get(), static_cast<std::uint32_t>(length));
    m_indexTable = std::move(table);
    return true;
}

std::uint32_t Package::IndexTableLength() const {
    return platform::LoadUInt32(m_indexTable.get());
}

void Package::StoreSlot(std::size_t slot, std::size_t field, std::uint32_t value) {
    platform::StoreUInt32(
        m_indexTable.get() + kWordSize + kIndexSlotSize * slot + kWordSize * field, value);
}

bool Package::BuildNameTable() {
    if (!m_nameBlock || !m_indexTable || m_entries.empty()) return Fail(PackageError::kNoEntries);
    std::size_t capacity = kNameTableStep;
    Buffer table(static_cast<std::uint8_t*>(std::calloc(capacity, 1)));
    if (!table) return Fail(PackageError::kOutOfMemory);
    WriteCursor cursor{table.get(), kNameTableStep};

    // Where the name table will lie in the file.
    const std::uint64_t base = kHeaderSize + m_nameBlockLength + IndexTableLength();
    std::uint64_t recordOffset = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const std::u16string name(platform::FindFileName(m_entries[i].path));
        int result;
        while ((result = WriteCountedWideString(cursor, name.c_str())) == SER_NO_ROOM) {
            const std::size_t used = capacity - cursor.free;
            auto* grown =
                static_cast<std::uint8_t*>(std::realloc(table.get(), capacity + kNameTableStep));
            if (!grown) return Fail(PackageError::kOutOfMemory);
            table.release();
            table.reset(grown);
            std::memset(grown + capacity, 0, kNameTableStep);
            capacity += kNameTableStep;
            cursor.position = grown + used;
            cursor.free += kNameTableStep;
        }
        if (result != SER_OK) return Fail(PackageError::kOutOfMemory);
        StoreSlot(i, kNameOffsetField, static_cast<std::uint32_t>(base + recordOffset));
        const std::uint64_t characters = 2ull * name.size();
        recordOffset += 4 + characters + PaddingFor(characters);
        if (base + recordOffset >= kPackageSizeLimit) return Fail(PackageError::kTooLarge);
    }
    m_nameTable = std::move(table);
    m_nameTableLength = static_cast<std::uint32_t>(recordOffset);
    platform::StoreUInt32(m_nameBlock.get(), m_nameTableLength);
    return true;
}

bool Package::AssignDataOffsets() {
    // Just behind the terminator word.
    const std::uint64_t first =
        kHeaderSize + m_nameBlockLength + IndexTableLength() + m_nameTableLength + 4;
    std::uint64_t end = first;
    for (const PackageEntry& entry : m_entries) end += entry.size;
    if (end >= kPackageSizeLimit) return Fail(PackageError::kTooLarge);

    std::uint64_t offset = first;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        StoreSlot(i, kDataOffsetField, static_cast<std::uint32_t>(offset));
        offset += m_entries[i].size;
    }
    // The end slot: the terminator word, read as an empty name, and the file length.
    StoreSlot(m_entries.size(), kNameOffsetField, static_cast<std::uint32_t>(first - 4));
    StoreSlot(m_entries.size(), kDataOffsetField, static_cast<std::uint32_t>(end));
    return true;
}

std::vector<PackedInput> Package::Inputs() const {
    std::vector<PackedInput> inputs;
    for (const PackageEntry& entry : m_entries) inputs.push_back({entry.path, entry.size});
    return inputs;
}

std::uint32_t Package::size() const {
    // The end slot's data offset.
    return m_indexTable ? platform::LoadUInt32(m_indexTable.get() + IndexTableLength() - kWordSize)
                        : 0;
}

bool Package::WriteToFile(std::u16string_view path) {
    m_error = PackageError::kNone;
    m_systemError = {};
    if (!m_nameTable) return Fail(PackageError::kNoEntries);
    for (const PackageEntry& entry : m_entries) {
        if (platform::SameFile(path, entry.path)) return Fail(PackageError::kSameAsInput);
    }
    const auto failWith = [this](PackageError error, platform::SystemError reason) {
        m_systemError = reason;
        return Fail(error);
    };

    // A device or a pipe is written into as it is: there is nothing to replace.
    if (platform::KindOfPath(path) == platform::PathKind::kOther) {
        platform::ErrorOr<platform::File> output = platform::File::OpenDeviceForWriting(path);
        if (!output) return failWith(PackageError::kCreateOutput, output.error());
        bool written = WriteAll(*output);
        if (const auto closed = output->Close(); !closed && written)
            written = failWith(PackageError::kWriteOutput, closed.error());
        return written;
    }

    platform::ErrorOr<platform::AtomicFile> output = platform::AtomicFile::Create(path);
    if (!output) return failWith(PackageError::kCreateOutput, output.error());
    if (!WriteAll(output->file())) return false;
    if (const auto sealed = output->Seal(); !sealed) {
        if (platform::IsDiskFull(sealed.error())) return Fail(PackageError::kDiskFull);
        return failWith(PackageError::kWriteOutput, sealed.error());
    }
    if (const auto committed = output->Commit(); !committed)
        return failWith(PackageError::kCreateOutput, committed.error());
    return true;
}

bool Package::WriteAll(platform::File& output) {
    if (WriteTo([&](const void* data, std::size_t size) {
            const platform::ErrorOr<void> written = output.Write(data, size);
            if (!written) m_systemError = written.error();
            return static_cast<bool>(written);
        })) {
        return true;
    }
    // The file tells why it refused the bytes.
    if (m_error == PackageError::kWriteOutput && platform::IsDiskFull(m_systemError))
        Fail(PackageError::kDiskFull);
    return false;
}

bool Package::WriteTo(const platform::ByteSink& sink, const EntryObserver& observe) {
    m_error = PackageError::kNone;
    if (!m_nameTable) return Fail(PackageError::kNoEntries);
    std::uint8_t header[kHeaderSize];
    platform::StoreUInt32(header, m_magic);
    platform::StoreUInt32(header + 4, m_version);
    platform::StoreUInt32(header + 8, m_reserved1);
    platform::StoreUInt32(header + 12, m_reserved2);
    const std::uint8_t terminator[4] = {0, 0, 0, 0};
    const struct {
        const void* data;
        std::size_t length;
    } blocks[] = {
        {header, sizeof header},
        {m_nameBlock.get(), m_nameBlockLength},
        {m_indexTable.get(), IndexTableLength()},
        {m_nameTable.get(), m_nameTableLength},
        {terminator, sizeof terminator},
    };
    for (const auto& block : blocks) {
        if (!sink(block.data, block.length)) return Fail(PackageError::kWriteOutput);
    }
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const bool copied = observe ? CopyFileData(
                                          [&](const void* data, std::size_t size) {
                                              observe(i, data, size);
                                              return sink(data, size);
                                          },
                                          m_entries[i])
                                    : CopyFileData(sink, m_entries[i]);
        if (!copied) return false;
    }
    return true;
}

bool Package::CopyFileData(const platform::ByteSink& sink, PackageEntry& entry) {
    // Exactly the measured size is copied, and the input must end there:
    // the offsets were computed from it.
    const platform::ErrorOr<platform::CopyResult> copied =
        platform::CopyStream(entry.handle, entry.size, sink);
    if (!copied) {
        m_strFailedInput = entry.path;
        return Fail(PackageError::kReadInput);
    }
    switch (*copied) {
        case platform::CopyResult::kOk:
            return true;
        case platform::CopyResult::kSinkFailed:
            return Fail(PackageError::kWriteOutput);
        case platform::CopyResult::kOutOfMemory:
            return Fail(PackageError::kOutOfMemory);
        case platform::CopyResult::kInterrupted:
            return Fail(PackageError::kInterrupted);
        case platform::CopyResult::kSizeChanged:
            break;
    }
    m_strFailedInput = entry.path;
    return Fail(PackageError::kInputChanged);
}

}  // namespace quill

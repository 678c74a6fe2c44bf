#include "packer/package_reader.h"

#include <algorithm>
#include <utility>

#include "packer/package.h"
#include "packer/write_cursor.h"
#include "platform/little_endian.h"
#include "platform/text.h"

namespace quill {
namespace {

// Names and contents pass through a buffer of this size.
constexpr std::size_t kChunk = 64 * 1024;

}  // namespace

bool FileSource::Read(void* buffer, std::size_t capacity, std::size_t& got) {
    const platform::ErrorOr<std::size_t> read = m_file.Read(buffer, capacity);
    got = read.value_or(0);
    if (!read) m_error = read.error();
    return static_cast<bool>(read);
}

PackageReader::PackageReader(ByteSource& source, std::uint64_t length)
    : m_source(source), m_length(length) {}

bool PackageReader::Fail(PackageFault fault, std::uint64_t found, std::uint64_t expected,
                         std::size_t entry) {
    m_problem.fault = fault;
    m_problem.found = found;
    m_problem.expected = expected;
    m_problem.entry = entry;
    return false;
}

bool PackageReader::Holds(std::uint64_t length, PackageSection section) {
    if (m_length - m_position >= length) return true;
    m_problem.section = section;
    return Fail(PackageFault::kTruncated, m_length, m_position + length);
}

bool PackageReader::ReadExactly(void* buffer, std::size_t length) {
    auto* at = static_cast<char*>(buffer);
    while (length > 0) {
        std::size_t got = 0;
        if (!m_source.Read(at, length, got) || got == 0 || got > length) {
            return Fail(PackageFault::kReadFailed);
        }
        at += got;
        length -= got;
        m_position += got;
    }
    return true;
}

bool PackageReader::ReadWord(std::uint32_t& value) {
    std::uint8_t bytes[kWordSize];
    if (!ReadExactly(bytes, sizeof bytes)) return false;
    value = platform::LoadUInt32(bytes);
    return true;
}

bool PackageReader::Skip(std::uint64_t length) {
    char buffer[kWordSize];
    return length <= sizeof buffer && ReadExactly(buffer, static_cast<std::size_t>(length));
}

bool PackageReader::ReadName(PackageEntryInfo& entry, std::size_t number) {
    std::uint32_t units = 0;
    if (!Holds(kWordSize, PackageSection::kNameTable) || !ReadWord(units)) return false;
    const std::uint64_t bytes = 2ull * units;
    const std::uint32_t padding = PaddingFor(bytes);
    if (!Holds(bytes + padding, PackageSection::kNameTable)) return false;
    std::uint8_t buffer[kChunk / 16];
    for (std::uint64_t left = bytes; left > 0;) {
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, sizeof buffer));
        if (!ReadExactly(buffer, take)) return false;
        for (std::size_t i = 0; i < take; i += 2) {
            entry.name.push_back(static_cast<char16_t>(platform::LoadUInt16(buffer + i)));
        }
        left -= take;
    }
    if (!platform::IsValidUtf16(entry.name)) return Fail(PackageFault::kBadName, 0, 0, number);
    return Skip(padding);
}

bool PackageReader::ReadIndex() {
    std::uint32_t nameTableSize = 0;
    std::vector<Slot> slots;
    return ReadHeader() && ReadNameBlock(nameTableSize) && ReadIndexTable(slots) &&
           ReadNameTable(slots, nameTableSize) && ReadTerminator() && CheckDataOffsets(slots);
}

bool PackageReader::ReadHeader() {
    std::uint32_t magic = 0, version = 0, reserved1 = 0, reserved2 = 0;
    if (!Holds(kHeaderSize, PackageSection::kHeader) || !ReadWord(magic) || !ReadWord(version) ||
        !ReadWord(reserved1) || !ReadWord(reserved2)) {
        return false;
    }
    if (magic != kPackageMagic) return Fail(PackageFault::kBadMagic, magic);
    if (version != kPackageVersion) return Fail(PackageFault::kBadVersion, version);
    if (reserved1 != 0 || reserved2 != 0) return Fail(PackageFault::kReservedNotZero);
    return true;
}

bool PackageReader::ReadNameBlock(std::uint32_t& nameTableSize) {
    std::uint32_t nameLength = 0;
    if (!Holds(kNameBlockWordsSize, PackageSection::kNameBlock) || !ReadWord(nameTableSize) ||
        !ReadWord(nameLength)) {
        return false;
    }
    if (nameLength > kMaxPackageNameLength) return Fail(PackageFault::kNameTooLong, nameLength);
    if (!Holds(nameLength + PaddingFor(nameLength), PackageSection::kNameBlock)) return false;
    m_index.name.resize(nameLength);
    return ReadExactly(m_index.name.data(), nameLength) && Skip(PaddingFor(nameLength));
}

// The slots, the end slot last; the table is in the file, so its size is no
// claim.
bool PackageReader::ReadIndexTable(std::vector<Slot>& slots) {
    std::uint32_t tableLength = 0;
    if (!Holds(kWordSize, PackageSection::kIndexTable) || !ReadWord(tableLength)) return false;
    if (tableLength < IndexTableLengthFor(1) ||
        (tableLength - kIndexTableFixedSize) % kIndexSlotSize != 0) {
        return Fail(PackageFault::kBadIndexLength, tableLength);
    }
    if (!Holds(tableLength - kWordSize, PackageSection::kIndexTable)) return false;
    const std::size_t count = (tableLength - kIndexTableFixedSize) / kIndexSlotSize;
    for (std::size_t i = 0; i <= count; ++i) {
        Slot slot;
        if (!ReadWord(slot.name) || !ReadWord(slot.data)) return false;
        slots.push_back(slot);
    }
    return true;
}

// The entries' names, each where its slot points; the end slot points behind
// them.
bool PackageReader::ReadNameTable(const std::vector<Slot>& slots, std::uint32_t nameTableSize) {
    const std::size_t count = slots.size() - 1;
    const std::uint64_t nameTable = m_position;
    for (std::size_t i = 0; i < count; ++i) {
        if (slots[i].name != m_position) {
            return Fail(PackageFault::kNameOffset, slots[i].name, m_position, i);
        }
        PackageEntryInfo entry;
        if (!ReadName(entry, i)) return false;
        m_index.entries.push_back(std::move(entry));
    }
    if (m_position - nameTable != nameTableSize) {
        return Fail(PackageFault::kNameTableSize, nameTableSize, m_position - nameTable);
    }
    if (slots[count].name != m_position) {
        return Fail(PackageFault::kEndNameOffset, slots[count].name, m_position, count);
    }
    return true;
}

bool PackageReader::ReadTerminator() {
    std::uint32_t terminator = 0;
    if (!Holds(kWordSize, PackageSection::kTerminator) || !ReadWord(terminator)) return false;
    if (terminator != 0) return Fail(PackageFault::kTerminatorNotZero, terminator);
    return true;
}

// The contents start here and run to the file's end, each entry's from its
// slot's data offset to the next one's.
bool PackageReader::CheckDataOffsets(const std::vector<Slot>& slots) {
    const std::size_t count = slots.size() - 1;
    if (slots[0].data != m_position) {
        return Fail(PackageFault::kFirstDataOffset, slots[0].data, m_position);
    }
    for (std::size_t i = 1; i <= count; ++i) {
        if (slots[i].data < slots[i - 1].data) {
            return Fail(PackageFault::kDataOffsetBack, slots[i].data, slots[i - 1].data, i);
        }
    }
    const std::uint32_t end = slots[count].data;
    if (end > m_length) {
        m_problem.section = PackageSection::kContents;
        return Fail(PackageFault::kTruncated, m_length, end);
    }
    if (end != m_length) return Fail(PackageFault::kLength, end, m_length);
    for (std::size_t i = 0; i < count; ++i) {
        m_index.entries[i].size = slots[i + 1].data - slots[i].data;
    }
    return true;
}

bool PackageReader::ReadNextEntry(const platform::ByteSink& sink) {
    if (m_problem.fault != PackageFault::kNone || m_nextEntry >= m_index.entries.size()) {
        return false;
    }
    std::vector<char> buffer(std::min<std::size_t>(kChunk, m_index.entries[m_nextEntry].size));
    for (std::uint32_t left = m_index.entries[m_nextEntry].size; left > 0;) {
        const std::size_t take = std::min<std::size_t>(left, buffer.size());
        if (!ReadExactly(buffer.data(), take)) return false;
        if (!sink(buffer.data(), take)) return Fail(PackageFault::kStopped);
        left -= static_cast<std::uint32_t>(take);
    }
    // Past the last entry the source must have nothing more.
    if (++m_nextEntry == m_index.entries.size()) {
        char extra;
        std::size_t got = 0;
        if (!m_source.Read(&extra, 1, got) || got != 0) return Fail(PackageFault::kReadFailed);
    }
    return true;
}

}  // namespace quill

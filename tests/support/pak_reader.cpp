#include "tests/support/pak_reader.h"

#include <cstdint>

namespace testing_support {
namespace {

class Reader {
  public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

    bool Has(uint64_t offset, uint64_t length) const { return offset + length <= m_bytes.size(); }
    uint32_t Word(uint64_t offset) const {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(m_bytes[offset + i]);
        return value;
    }
    std::string_view Bytes(uint64_t offset, uint64_t length) const {
        return m_bytes.substr(offset, length);
    }
    bool Zero(uint64_t offset, uint64_t length) const {
        for (uint64_t i = 0; i < length; ++i) {
            if (m_bytes[offset + i] != 0) return false;
        }
        return true;
    }
    uint64_t size() const { return m_bytes.size(); }

  private:
    std::string_view m_bytes;
};

uint64_t Padded(uint64_t length) {
    return (length + 3) / 4 * 4;
}

}  // namespace

std::optional<Pak> ReadPak(std::string_view bytes, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<Pak> {
        if (error) *error = why;
        return std::nullopt;
    };
    const Reader r(bytes);
    if (!r.Has(0, 24)) return fail("shorter than a header and a name block");
    if (r.Bytes(0, 4) != "QUIL") return fail("bad magic");
    if (r.Word(4) != 1) return fail("version is not 1");
    if (r.Word(8) != 0 || r.Word(12) != 0) return fail("reserved words are not 0");

    Pak pak;
    const uint32_t nameTableSize = r.Word(16);
    const uint32_t nameLength = r.Word(20);
    const uint64_t nameBlock = 8 + Padded(nameLength);
    if (!r.Has(16, nameBlock)) return fail("name block runs past the end");
    pak.name = std::string(r.Bytes(24, nameLength));
    if (!r.Zero(24 + nameLength, nameBlock - 8 - nameLength)) return fail("name padding not zero");

    const uint64_t index = 16 + nameBlock;
    if (!r.Has(index, 4)) return fail("no index table");
    const uint32_t indexLength = r.Word(index);
    if (indexLength < 20 || (indexLength - 12) % 8 != 0) return fail("bad index table length");
    if (!r.Has(index, indexLength)) return fail("index table runs past the end");
    const uint64_t count = (indexLength - 12) / 8;
    auto slotName = [&](uint64_t i) { return r.Word(index + 4 + 8 * i); };
    auto slotData = [&](uint64_t i) { return r.Word(index + 8 + 8 * i); };

    const uint64_t nameTable = index + indexLength;
    uint64_t record = nameTable;
    for (uint64_t i = 0; i < count; ++i) {
        if (slotName(i) != record)
            return fail("name offset of entry " + std::to_string(i) + " is wrong");
        if (!r.Has(record, 4)) return fail("name record runs past the end");
        const uint32_t units = r.Word(record);
        if (!r.Has(record + 4, Padded(2ull * units))) return fail("name record runs past the end");
        PakEntry entry;
        for (uint32_t u = 0; u < units; ++u) {
            const auto lo = static_cast<uint8_t>(bytes[record + 4 + 2 * u]);
            const auto hi = static_cast<uint8_t>(bytes[record + 5 + 2 * u]);
            entry.name.push_back(static_cast<char16_t>(lo | hi << 8));
        }
        if (!r.Zero(record + 4 + 2ull * units, Padded(2ull * units) - 2ull * units)) {
            return fail("name record padding not zero");
        }
        pak.entries.push_back(entry);
        record += 4 + Padded(2ull * units);
    }
    if (record - nameTable != nameTableSize)
        return fail("name table size disagrees with the records");
    const uint64_t terminator = record;
    if (slotName(count) != terminator) return fail("end slot does not point at the terminator");
    if (!r.Has(terminator, 4) || r.Word(terminator) != 0)
        return fail("terminator word missing or not 0");

    const uint64_t contents = terminator + 4;
    if (slotData(0) != contents)
        return fail("first data offset is not right behind the terminator");
    if (slotData(count) != r.size()) return fail("end slot data offset is not the file length");
    // All in order before any is read: a later offset may lie past the end.
    for (uint64_t i = 0; i < count; ++i) {
        if (slotData(i + 1) < slotData(i)) return fail("data offsets go backwards");
    }
    for (uint64_t i = 0; i < count; ++i) {
        pak.entries[i].data = std::string(r.Bytes(slotData(i), slotData(i + 1) - slotData(i)));
    }
    return pak;
}

std::string MakePak(const Pak& pak) {
    std::string head, names, contents;
    const auto word = [](std::string& to, uint64_t value) {
        for (int i = 0; i < 4; ++i) to.push_back(static_cast<char>(value >> (8 * i)));
    };
    for (const PakEntry& entry : pak.entries) {
        word(names, entry.name.size());
        for (char16_t unit : entry.name) {
            names.push_back(static_cast<char>(unit & 0xFF));
            names.push_back(static_cast<char>(unit >> 8));
        }
        names.resize(Padded(names.size()), '\0');
        contents += entry.data;
    }
    const uint64_t nameBlock = 8 + Padded(pak.name.size());
    const uint64_t index = 16 + nameBlock, indexLength = 8 * pak.entries.size() + 12;
    head = "QUIL";
    word(head, 1);
    word(head, 0);
    word(head, 0);
    word(head, names.size());
    word(head, pak.name.size());
    head += pak.name;
    head.resize(index, '\0');
    word(head, indexLength);
    uint64_t name = index + indexLength, data = name + names.size() + 4;
    for (const PakEntry& entry : pak.entries) {
        word(head, name);
        word(head, data);
        name += 4 + Padded(2 * entry.name.size());
        data += entry.data.size();
    }
    word(head, name);
    word(head, data);
    return head + names + std::string(4, '\0') + contents;
}

}  // namespace testing_support

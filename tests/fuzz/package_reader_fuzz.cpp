// The package reader on any bytes at all. Under AddressSanitizer and
// UndefinedBehaviorSanitizer it must never touch memory it does not own,
// overflow or allocate by what a field claims; and every package that the
// tests' own reader (written from the format's description alone) accepts,
// it must read alike: the same name, entries and contents. (It refuses
// names that are no valid UTF-16, which that reader takes as they are.)
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "packer/package_reader.h"
#include "platform/text.h"
#include "tests/support/pak_reader.h"

namespace {

// The bytes, handed out in pieces of varying size as a file or an archive
// would; it may claim to hold more than it has.
class MemorySource final : public quill::ByteSource {
  public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}
    bool Read(void* buffer, std::size_t capacity, std::size_t& got) override {
        got = std::min({capacity, m_bytes.size() - m_at, 1 + m_at % 7919});
        std::memcpy(buffer, m_bytes.data() + m_at, got);
        m_at += got;
        return true;
    }

  private:
    std::string_view m_bytes;
    std::size_t m_at = 0;
};

struct Read {
    bool ok = false;
    std::string name;
    std::vector<std::pair<std::u16string, std::string>> entries;
};

Read ReadAll(std::string_view bytes, std::uint64_t claimed) {
    MemorySource source(bytes);
    quill::PackageReader reader(source, claimed);
    Read read;
    if (!reader.ReadIndex()) return read;
    read.name = reader.index().name;
    for (const quill::PackageEntryInfo& entry : reader.index().entries) {
        std::string data;
        if (!reader.ReadNextEntry([&](const void* chunk, std::size_t size) {
                data.append(static_cast<const char*>(chunk), size);
                return true;
            })) {
            return read;
        }
        if (data.size() != entry.size) std::abort();
        read.entries.emplace_back(entry.name, std::move(data));
    }
    read.ok = true;
    return read;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Read read = ReadAll(bytes, size);
    const auto pak = testing_support::ReadPak(bytes);
    if (pak && std::all_of(pak->entries.begin(), pak->entries.end(),
                           [](const auto& entry) { return platform::IsValidUtf16(entry.name); })) {
        if (!read.ok || read.name != pak->name || read.entries.size() != pak->entries.size()) {
            std::abort();
        }
        for (std::size_t i = 0; i < read.entries.size(); ++i) {
            if (read.entries[i].first != pak->entries[i].name ||
                read.entries[i].second != pak->entries[i].data) {
                std::abort();
            }
        }
    }
    // A source that ends before the length it claims (a damaged archive)
    // never gives a whole package.
    if (size > 0 && ReadAll(bytes, 2ull * size).ok) std::abort();
    return 0;
}

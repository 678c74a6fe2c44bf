// What `mkkolo -t` runs, on any bytes taken for a .kolo: the archive opened
// by KoloReader, the package inside it read by the package reader, every
// entry's contents through the check its name calls for (a layout, an
// .mbm's header), the CRC at the end; and the extraction name rule on every
// name. Under AddressSanitizer and UndefinedBehaviorSanitizer none of
// it may touch memory it does not own, overflow or allocate by what a field
// claims. Checked against what does not share its code:
// - an archive it calls whole, the tests' own readers (minizip's unzip as
//   the tests call it, and the package reader written from the format's
//   description) read alike: the same entry name and the same package;
// - an archive those read whole, with one deflated entry whose central
//   directory has no flag bits but 1, 2, 3 and 11, and a package with valid
//   names, it calls whole too, unless it refused ZIP64 or a local header's
//   flags, which they do not look at;
// - a name the rule lets through has no separator, drive colon or control
//   character, is not empty and does not end in a dot or a blank.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "packer/package_reader.h"
#include "pipeline/kolo_reader.h"
#include "pipeline/skin_checks.h"
#include "pipeline/zip_format.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tests/support/kolo_reader.h"
#include "tests/support/pak_reader.h"
#include "tests/support/temp_dir.h"

namespace {

// KoloReader reads archives from files: the input goes into a folder of
// this process's own, removed when the process ends.
const testing_support::TempDir& Folder() {
    static const testing_support::TempDir folder;
    return folder;
}

void CheckNameRule(std::u16string_view name) {
    if (!platform::IsPortableFileName(name)) return;
    if (name.empty() || name.back() == u'.' || name.back() == u' ') std::abort();
    for (const char16_t c : name) {
        if (c < 0x20 || c == 0x7F || c == u'/' || c == u'\\' || c == u':') std::abort();
    }
}

struct Tested {
    bool whole = false;
    pipeline::KoloFault fault = pipeline::KoloFault::kNone;
    std::string entryName;
    testing_support::Pak pak;
};

// As `mkkolo -t` tests a .kolo.
Tested Test(const std::u16string& path) {
    Tested tested;
    pipeline::KoloReader kolo;
    const bool opened = kolo.Open(*platform::File::OpenForReading(path));
    tested.fault = kolo.fault();
    if (!opened) return tested;
    tested.entryName = kolo.entry().name;
    CheckNameRule(platform::Utf8ToUtf16(tested.entryName));
    quill::PackageReader reader(kolo, kolo.entry().size);
    if (!reader.ReadIndex()) {
        tested.fault = kolo.fault();
        return tested;
    }
    tested.pak.name = reader.index().name;
    for (const quill::PackageEntryInfo& entry : reader.index().entries) {
        CheckNameRule(entry.name);
        std::string data;
        pipeline::FileCheck check(entry.name);
        if (!reader.ReadNextEntry([&](const void* chunk, std::size_t size) {
                data.append(static_cast<const char*>(chunk), size);
                check.Feed({static_cast<const char*>(chunk), size});
                return true;
            })) {
            tested.fault = kolo.fault();
            return tested;
        }
        check.Finish();
        tested.pak.entries.push_back({entry.name, std::move(data)});
    }
    tested.whole = kolo.Finish();
    tested.fault = kolo.fault();
    return tested;
}

bool SamePak(const testing_support::Pak& a, const testing_support::Pak& b) {
    return a.name == b.name && std::equal(a.entries.begin(), a.entries.end(), b.entries.begin(),
                                          b.entries.end(), [](const auto& x, const auto& y) {
                                              return x.name == y.name && x.data == y.data;
                                          });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::u16string path = Folder() / u"input.kolo";
    testing_support::WriteBytes(testing_support::FsPath(path), bytes);
    const Tested tested = Test(path);

    const auto entry = testing_support::ReadSingleEntryFromBytes(bytes);
    const auto pak = entry ? testing_support::ReadPak(entry->data) : std::nullopt;
    if (tested.whole) {
        if (!pak || entry->name != tested.entryName || !SamePak(*pak, tested.pak)) std::abort();
        return 0;
    }
    using pipeline::KoloFault;
    const bool readsAlike =
        entry && entry->method == 8 &&
        (entry->flag & ~static_cast<unsigned long>(pipeline::zip::kReadFlags)) == 0 && pak &&
        std::all_of(pak->entries.begin(), pak->entries.end(),
                    [](const auto& e) { return platform::IsValidUtf16(e.name); });
    if (readsAlike && tested.fault != KoloFault::kZip64 && tested.fault != KoloFault::kEncrypted &&
        tested.fault != KoloFault::kUnsupportedFlag) {
        std::abort();
    }
    return 0;
}

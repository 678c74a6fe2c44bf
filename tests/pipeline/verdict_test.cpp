// What becomes of a skin, decided once: files on disk, paired as given, each
// skin judged in a run, a dry run and a strict run, with the status and the
// kinds of its faults as the value the front ends word.
#include "pipeline/verdict.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "pipeline/in_process_packer.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace pipeline {
namespace {

namespace fs = std::filesystem;
using testing_support::FsPath;
using testing_support::U16;
using Kind = Fault::Kind;
using Status = SkinStatus;

const std::string kLayout = "<skin/>", kBundle = "PXA", kMbm("\x37\0\0\x10\x42\0\0\x10MBM", 11);

struct Judged {
    Status status;
    std::vector<Kind> kinds;
};

Judged Judge(const Pairing& pairing, std::size_t index, const std::u16string& out, bool dryRun,
             bool strict, const std::u16string& mbmFolder) {
    PackSettings settings;
    settings.checks = {true, strict};
    settings.dryRun = dryRun;
    settings.mbmFolder = mbmFolder;
    InProcessPacker packer;
    const SkinVerdict verdict = JudgeSkin(packer, settings, out, pairing, index);
    Judged judged{verdict.status, {}};
    for (const Fault& fault : verdict.faults) judged.kinds.push_back(fault.kind);
    // Only a skin made leaves its .kolo.
    EXPECT_EQ(fs::exists(FsPath(verdict.koloPath)), verdict.Made());
    return judged;
}

bool operator==(const Judged& a, const Judged& b) {
    return a.status == b.status && a.kinds == b.kinds;
}

std::ostream& operator<<(std::ostream& os, const Judged& judged) {
    os << "status " << static_cast<int>(judged.status) << ", kinds";
    for (const Kind kind : judged.kinds) os << ' ' << static_cast<int>(kind);
    return os;
}

TEST(JudgeSkin, StatusAndFaultsOfEachSkin) {
    const struct {
        const char* what;
        std::vector<std::pair<const char*, std::string>> files;  // given, in this order
        const char16_t* skin;
        Judged run;  // a dry run: kWouldMake where a run makes it, else the same
        Status strict;
        // What becomes of the files once they were found, before the skin's turn.
        void (*meanwhile)(const fs::path& dir) = nullptr;
    } cases[] = {
        {"a layout and a bundle",
         {{"x.xml", kLayout}, {"x.pxa", kBundle}},
         u"x",
         {Status::kMade, {}},
         Status::kMade},
        {"an .mbm after the skin's .pxa",
         {{"x.xml", kLayout}, {"x.pxa", kBundle}, {"x.mbm", kMbm}},
         u"x",
         {Status::kMadeWithWarnings, {Kind::kUnusedFile}},
         Status::kHeldBack},
        {"a .pxa in the place of the .mbm",
         {{"x.xml", kLayout}, {"x.mbm", kMbm}, {"x.pxa", kBundle}},
         u"x",
         {Status::kMadeWithWarnings, {Kind::kReplacedFile}},
         Status::kHeldBack},
        {"two bundles from two folders: refused before the warnings hold it back",
         {{"a/x.pxa", kBundle}, {"b/x.pxa", kBundle}},
         u"x",
         {Status::kRefused, {Kind::kSameExtension, Kind::kTwoFolders, Kind::kMissingLayout}},
         Status::kRefused},
        {"an empty bundle",
         {{"e.xml", kLayout}, {"e.pxa", ""}},
         u"e",
         {Status::kMadeWithWarnings, {Kind::kEmptyFile}},
         Status::kHeldBack},
        {"one layout by two paths",
         {{"a/x.xml", kLayout}, {"a/./x.xml", kLayout}},
         u"x",
         {Status::kRefused, {Kind::kSameFile, Kind::kMissingBundle}},
         Status::kRefused},
        {"a layout that is no XML",
         {{"u.xml", "<skin>\n <a></skin>"}, {"u.pxa", kBundle}},
         u"u",
         {Status::kMadeWithWarnings, {Kind::kLayoutNotWellFormed}},
         Status::kHeldBack},
        {"an .mbm that is no multi-bitmap",
         {{"m.xml", kLayout}, {"m.mbm", "BM" + kMbm}},
         u"m",
         {Status::kMadeWithWarnings, {Kind::kNotMultiBitmap}},
         Status::kHeldBack},
        {"both files faulty, told in the order of the skin's files",
         {{"f.mbm", "BM"}, {"f.xml", "<a>"}},
         u"f",
         {Status::kMadeWithWarnings, {Kind::kNotMultiBitmap, Kind::kLayoutNotWellFormed}},
         Status::kHeldBack},
        {"a layout alone",
         {{"l.xml", kLayout}},
         u"l",
         {Status::kRefused, {Kind::kMissingBundle}},
         Status::kRefused},
        {"a bundle alone",
         {{"b.mbm", kMbm}},
         u"b",
         {Status::kRefused, {Kind::kMissingLayout}},
         Status::kRefused},
        {"neither a layout nor a bundle",
         {{"t.txt", "T"}, {"t.bin", "B"}},
         u"t",
         {Status::kRefused, {Kind::kMissingFiles}},
         Status::kRefused},
        {"names that differ in case: two skins",
         {{"Wave.XML", kLayout}, {"wave.pxa", kBundle}},
         u"Wave",
         {Status::kRefused, {Kind::kMissingBundle}},
         Status::kRefused},
        {"a layout removed before its turn",
         {{"g.xml", kLayout}, {"g.pxa", kBundle}},
         u"g",
         {Status::kFailed, {Kind::kInputIgnored}},
         Status::kFailed,
         [](const fs::path& dir) { fs::remove(dir / "g.xml"); }},
        {"a bundle replaced by a folder",
         {{"g.xml", kLayout}, {"g.pxa", kBundle}},
         u"g",
         {Status::kFailed, {Kind::kInputIgnored}},
         Status::kFailed,
         [](const fs::path& dir) {
             fs::remove(dir / "g.pxa");
             fs::create_directory(dir / "g.pxa");
         }},
#ifndef _WIN32
        {"a bundle grown to 4 GiB",
         {{"g.xml", kLayout}, {"g.pxa", kBundle}},
         u"g",
         {Status::kFailed, {Kind::kInputIgnored}},
         Status::kFailed,
         [](const fs::path& dir) { fs::resize_file(dir / "g.pxa", std::uintmax_t{1} << 32); }},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing_support::TempDir dir;
        const std::u16string out = U16(dir.path() / "out"), mbm = U16(dir.path() / "mbm") + u"/";
        fs::create_directory(dir.path() / "out");
        fs::create_directory(dir.path() / "mbm");
        std::list<InputFile> given;
        for (const auto& [name, bytes] : c.files) {
            fs::create_directories((dir.path() / name).parent_path());
            testing_support::WriteBytes(dir.path() / name, bytes);
            given.push_back(InputFile::LookAt(U16(dir.path() / name)));
        }
        const Pairing pairing = PairSkins(given);
        std::size_t index = 0;
        while (pairing.skins.at(index).job.strName != c.skin) ++index;
        if (c.meanwhile) c.meanwhile(dir.path());

        Judged dry = c.run;
        if (dry.status == Status::kMade || dry.status == Status::kMadeWithWarnings)
            dry.status = Status::kWouldMake;
        EXPECT_EQ(Judge(pairing, index, out, true, false, mbm), dry);
        EXPECT_TRUE(fs::is_empty(dir.path() / "out"));
        const Judged strict = Judge(pairing, index, out, false, true, mbm);
        EXPECT_EQ(strict.status, c.strict);
        if (c.strict == Status::kHeldBack) {
            EXPECT_EQ(strict.kinds.back(), Kind::kHeldBack);
        }
        EXPECT_EQ(Judge(pairing, index, out, false, false, mbm), c.run);
    }
}

// A skin that lacks a file names the one that would complete it: among the
// files given, one whose name differs in letter case only (a skin of its
// own); else one beside its files that was not given.
TEST(JudgeSkin, ARefusalNamesTheFileThatWouldCompleteTheSkin) {
    testing_support::TempDir dir;
    for (const char16_t* name : {u"Wave.XML", u"wave.pxa", u"夜色.xml", u"夜色.pxa", u"Dusk.mbm",
                                 u"dusk.xml", u"lone.xml", u"lone.txt"})
        testing_support::WriteBytes(FsPath(dir / name), kLayout);
    const auto path = [&](const char16_t* name) { return dir / name; };
    const struct {
        std::vector<const char16_t*> given;
        const char16_t* skin;
        std::optional<Completion> completion;
    } cases[] = {
        {{u"Wave.XML", u"wave.pxa"}, u"Wave", Completion{path(u"wave.pxa"), true}},
        {{u"Wave.XML", u"wave.pxa"}, u"wave", Completion{path(u"Wave.XML"), true}},
        {{u"夜色.xml"}, u"夜色", Completion{path(u"夜色.pxa"), false}},
        {{u"夜色.pxa"}, u"夜色", Completion{path(u"夜色.xml"), false}},
        {{u"dusk.xml"}, u"dusk", Completion{path(u"Dusk.mbm"), false}},
        {{u"lone.xml"}, u"lone", std::nullopt},
    };
    for (const auto& c : cases) {
        std::list<InputFile> given;
        for (const char16_t* name : c.given) given.push_back(InputFile::LookAt(path(name)));
        const Pairing pairing = PairSkins(given);
        std::size_t index = 0;
        while (pairing.skins.at(index).job.strName != c.skin) ++index;
        PackSettings settings;
        settings.dryRun = true;
        InProcessPacker packer;
        const SkinVerdict verdict = JudgeSkin(packer, settings, U16(dir.path()), pairing, index);
        ASSERT_NE(verdict.Failure(), nullptr);
        const std::optional<Completion>& completion = verdict.Failure()->completion;
        ASSERT_EQ(completion.has_value(), c.completion.has_value())
            << platform::Utf16ToUtf8(c.given[0]);
        if (!completion) continue;
        EXPECT_EQ(completion->path, c.completion->path);
        EXPECT_EQ(completion->named, c.completion->named);
    }
}

}  // namespace
}  // namespace pipeline

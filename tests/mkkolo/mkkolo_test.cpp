// mkkolo as a black box: the real program on real skin files, its texts, exit
// statuses and .kolo files, checked against the dialog application's
// pipeline with one quill process per skin.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <regex>
#include <thread>
#include <utility>

#include "kolo_version.h"
#include "mkkolo/options.h"
#include "pipeline/pack_skin.h"
#include "pipeline/pairing.h"
#include "pipeline/process_runner.h"
#include "pipeline/skin_jobs.h"
#include "pipeline/skin_words.h"
#include "pipeline/verdict.h"
#include "platform/paths.h"
#include "platform/system_error.h"
#include "platform/text.h"
#include "tests/support/job_order.h"
#include "tests/support/kolo_reader.h"
#include "tests/support/pak_reader.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/wide.h"
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "tests/support/small_volume.h"
#endif

namespace {

namespace fs = std::filesystem;
using testing_support::FsPath;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::U16;
using testing_support::WriteBytes;
using Environment = std::vector<std::pair<std::string, std::string>>;

constexpr char kEpoch[] = "1258000000";
// The words 0x10000037 and 0x10000042 that open a multi-bitmap file.
const std::string kMbmHeader("\x37\0\0\x10\x42\0\0\x10", 8);
const std::u16string kSep(1, platform::kPathSeparator);
// The usage text, as its table of options builds it (the table's forms are
// checked on their own, in batch_test.cpp).
const std::u16string kUsage = mkkolo::Usage();

struct Result {
    int exitCode;
    std::u16string out, err;
};

// On Linux mkkolo prints in the locale's character set, here UTF-8; on
// Windows it writes UTF-8 into a pipe. `options` may add limits.
Result Mkkolo(const std::vector<std::u16string>& args, Environment environment = {},
              const std::u16string& folder = {}, testing_support::RunOptions options = {}) {
    options.environment = std::move(environment);
    options.environment.emplace_back("LC_ALL", "C.UTF-8");
    options.folder = folder;
    const auto result = testing_support::RunProgram("mkkolo", args, options);
    return {result.exitCode, platform::Utf8ToUtf16(result.output),
            platform::Utf8ToUtf16(result.errors)};
}

// The run's own folder for prepared .mbm copies (TMPDIR/~<12 digits>.tmp/)
// taken out of the paths that name it.
std::u16string WithoutRunFolder(std::u16string text) {
    for (std::size_t at = 0; (at = text.find(u"~", at)) != std::u16string::npos;) {
        const std::size_t length = 1 + 12 + 4 + 1;
        const bool named = text.compare(at + 13, 5, u".tmp" + kSep) == 0 &&
                           text.find_first_not_of(u"0123456789abcdef", at + 1) == at + 13;
        if (named) {
            text.erase(at, length);
        } else {
            ++at;
        }
    }
    return text;
}

bool EndsWith(std::u16string_view text, std::u16string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::u16string PlainLineEnds(std::u16string text) {
    for (std::size_t at; (at = text.find(u"\r\n")) != std::u16string::npos;) text.erase(at, 1);
    return text;
}

// Every file in a folder, by name, with its bytes.
std::map<std::u16string, std::string> Contents(const fs::path& folder) {
    std::map<std::u16string, std::string> files;
    for (const auto& item : fs::directory_iterator(folder)) {
        files[item.path().filename().u16string()] = ReadBytes(item.path());
    }
    return files;
}

std::vector<std::u16string> Names(const fs::path& folder) {
    std::vector<std::u16string> names;
    for (const auto& item : fs::directory_iterator(folder))
        names.push_back(item.path().filename().u16string());
    std::sort(names.begin(), names.end());
    return names;
}

// The names of the entries of the package inside a .kolo.
std::vector<std::u16string> PackedNames(const fs::path& kolo) {
    const auto entry = testing_support::ReadSingleEntry(kolo);
    const auto pak = entry ? testing_support::ReadPak(entry->data) : std::nullopt;
    std::vector<std::u16string> names;
    if (pak) {
        for (const auto& file : pak->entries) names.push_back(file.name);
    }
    return names;
}

class MkkoloTest : public ::testing::Test {
  protected:
    // A file per extension, `size` bytes each, that the checks of a skin's
    // files pass (from 13 bytes on): a layout of one element of letters, an
    // .mbm with the multi-bitmap header.
    static void Skin(const fs::path& folder, std::u16string_view name,
                     std::initializer_list<std::u16string_view> extensions,
                     std::size_t size = 3000) {
        fs::create_directories(folder);
        for (std::u16string_view extension : extensions) {
            const std::u16string file = std::u16string(name) + std::u16string(extension);
            std::string bytes = testing_support::PatternBytes(size, file.size());
            if (size >= 13 && platform::HasExtension(file, u".xml")) {
                for (char& c : bytes)
                    c = static_cast<char>('a' + static_cast<unsigned char>(c) % 26);
                bytes.replace(0, 6, "<skin>").replace(size - 7, 7, "</skin>");
            }
            if (size >= 13 && platform::HasExtension(file, u".mbm"))
                bytes.replace(0, 8, kMbmHeader);
            WriteBytes(folder / FsPath(file), bytes);
        }
    }
    // The closing line of a run of one skin that failed.
    static std::u16string NoneMade(std::u16string_view name) {
        return u"已完成: 0 个皮肤已生成, 1 个失败: 【" + std::u16string(name) + u"】\n";
    }
    std::u16string Written(std::u16string_view name) const {
        return u"生成KOLO文件成功！\n路径:" + out + kSep + std::u16string(name) + u".kolo\n";
    }
    // The packer's summary for the inputs, as mkkolo reports it.
    static std::u16string Summary(const std::vector<std::pair<std::u16string, unsigned>>& inputs) {
        std::u16string text(1, u'\n');
        text += platform::ToDecimal(inputs.size()) + u" 个文件被打包.\n" +
                std::u16string(47, u'-') + u"\n";
        for (const auto& [path, size] : inputs) {
            text += path + u"\t" + platform::ToDecimal(size) + u" 字节\n";
        }
        return text;
    }

    TempDir dir;
    fs::path skins = dir.path() / "skins";
    std::u16string out = dir / u"out";
};

TEST_F(MkkoloTest, PacksAsTheDialogApplicationsPipelineDoes) {
    Skin(skins, u"night", {u".xml", u".pxa"});
    Skin(skins, u"dusk", {u".xml", u".mbm"});
    Skin(skins, u"lone", {u".xml"});
    // A read-only .mbm is prepared all the same: its copy is ours to mark.
    fs::permissions(skins / "dusk.mbm",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    TempDir temp;
    testing_support::ScopedTempFolder redirect(temp.path());  // for both pipelines

    // The dialog application's pipeline on the list mkkolo makes of a folder.
    std::list<pipeline::InputFile> list;
    for (const auto& name : Names(skins))
        list.push_back(pipeline::InputFile::LookAt(U16(skins / FsPath(name))));
    const pipeline::Pairing pairing = pipeline::PairSkins(list);
    pipeline::PackSettings settings;
    settings.kolo.entryTime = std::stoll(kEpoch);
    settings.mbmFolder = U16(temp.path()) + kSep;
    settings.checks.check = true;
    pipeline::QuillProcessPacker quill;
    std::u16string log;
    fs::create_directory(FsPath(out));
    for (std::size_t i = 0; i < pairing.skins.size(); ++i) {
        const pipeline::SkinVerdict verdict = pipeline::JudgeSkin(quill, settings, out, pairing, i);
        log += pipeline::VerdictText(verdict, {u"\r\n"}).Plain();
    }
    const auto expected = Contents(FsPath(out));
    fs::remove_all(FsPath(out));

    const Result result = Mkkolo({u"-o", out, U16(skins)}, {{"SOURCE_DATE_EPOCH", kEpoch}});
    EXPECT_EQ(result.exitCode, 1);  // lone has no pair
    EXPECT_EQ(result.err, u"");
    EXPECT_EQ(WithoutRunFolder(result.out),
              PlainLineEnds(log) + u"已完成: 2 个皮肤已生成, 1 个失败: 【lone】\n");
    // The same archives byte for byte, so the same packages inside them.
    EXPECT_EQ(Names(FsPath(out)), (std::vector<std::u16string>{u"dusk.kolo", u"night.kolo"}));
    EXPECT_EQ(Contents(FsPath(out)), expected);
    const auto dusk = testing_support::ReadPak(
        testing_support::ReadSingleEntry(FsPath(out) / "dusk.kolo").value().data);
    ASSERT_TRUE(dusk);
    EXPECT_EQ(dusk->entries.at(0).name, u"dusk.pxa");
    EXPECT_EQ(dusk->entries.at(0).data[0], 's');

    // The fastest and the smallest level: other archives, the same packages.
    std::map<std::u16string, std::string> paks;
    for (const auto& [name, bytes] : expected)
        paks[name] = testing_support::ReadSingleEntry(FsPath(out + kSep + name)).value().data;
    const std::pair<const char16_t*, unsigned long> levels[] = {{u"--level=1", 6},
                                                                {u"--level=12", 2}};
    for (const auto& [level, flag] : levels) {
        fs::remove_all(FsPath(out));
        EXPECT_EQ(Mkkolo({level, u"-o", out, U16(skins)}).exitCode, 1);
        for (const auto& [name, pak] : paks) {
            const auto entry = testing_support::ReadSingleEntry(FsPath(out + kSep + name));
            ASSERT_TRUE(entry) << platform::Utf16ToUtf8(level);
            EXPECT_EQ(entry->flag & 6u, flag);
            EXPECT_TRUE(entry->data == pak) << platform::Utf16ToUtf8(level + (u" " + name));
        }
    }
}

TEST_F(MkkoloTest, JobsRunInTheTablesOrder) {
    std::vector<std::u16string> forty;  // past the table's first rebuild
    for (unsigned i = 0; i < 40; ++i) forty.push_back(u"skin" + platform::ToDecimal(i * 7 % 40));
    std::size_t buckets = 0;
    const struct {
        std::vector<std::u16string> names, order;
    } cases[] = {
        {{u"red", u"blue", u"green"}, {u"blue", u"red", u"green"}},
        {forty, testing_support::ExpectedJobOrder(forty, buckets)},
    };
    ASSERT_EQ(buckets, 53u);
    for (const auto& c : cases) {
        std::vector<std::u16string> args = {u"-o", out};
        for (const auto& name : c.names) {
            Skin(skins, name, {u".xml", u".pxa"});
            args.push_back(U16(skins / FsPath(name + u".xml")));
            args.push_back(U16(skins / FsPath(name + u".pxa")));
        }
        const Result result = Mkkolo(args);
        EXPECT_EQ(result.exitCode, 0);
        std::vector<std::u16string> order;
        const std::u16string mark = u"路径:" + out + kSep;
        for (std::size_t at = 0; (at = result.out.find(mark, at)) != std::u16string::npos;) {
            at += mark.size();
            order.push_back(result.out.substr(at, result.out.find(u".kolo\n", at) - at));
        }
        EXPECT_EQ(order, c.order);
    }
}

TEST_F(MkkoloTest, SameBytesAndTextWhateverTheNumberOfWorkers) {
    for (unsigned i = 0; i < 12; ++i)
        Skin(skins, u"s" + platform::ToDecimal(i), {u".xml", u".pxa"}, 200000);
    Skin(skins, u"dusk", {u".xml", u".mbm"});
    Skin(skins, u"lone", {u".xml"});
    std::vector<Result> results;
    std::vector<std::map<std::u16string, std::string>> outputs;
    for (const char16_t* workers : {u"1", u"4", u"4"}) {
        TempDir run;
        results.push_back(Mkkolo({u"-j", workers, u"-o", u"out", U16(skins)},
                                 {{"SOURCE_DATE_EPOCH", kEpoch}}, U16(run.path())));
        outputs.push_back(Contents(run.path() / "out"));
    }
    EXPECT_EQ(outputs[0].size(), 13u);
    for (std::size_t i = 1; i < results.size(); ++i) {
        EXPECT_EQ(results[i].exitCode, results[0].exitCode);
        EXPECT_EQ(WithoutRunFolder(results[i].out), WithoutRunFolder(results[0].out));
        EXPECT_EQ(outputs[i], outputs[0]);
    }
}

TEST_F(MkkoloTest, AFailedSkinIsReportedWholeAndTheOthersArePacked) {
    const std::string missing = (dir.path() / "missing").string(),
                      aFile = (dir.path() / "a-file").string();
    WriteBytes(aFile, "not a folder");
    const TempDir temp;
    const Environment inTemp = {{"TMPDIR", temp.path().string()}, {"TMP", temp.path().string()}};
    const struct {
        std::u16string name;
        std::initializer_list<std::u16string_view> extensions;
        Environment environment;
        std::u16string report;
        std::size_t size = 3000;        // of each of the skin's files
        std::uint64_t maxFileSize = 0;  // outside Windows
        bool folderAtKolo = false;      // the archive, complete, cannot take its name
    } cases[] = {
        {u"lone",
         {u".xml"},
         {},
         u"\n打包【lone】失败,原因:缺少文件(需两个同名的PXA文件与XML文件)!\n"},
        // No temporary folder to prepare the .mbm in: the system says why.
        {u"dusk",
         {u".xml", u".mbm"},
         {{"TMPDIR", missing}, {"TMP", missing}},
         u"\n打包【dusk】失败,原因:校正mbm文件失败: "},
        {u"dusk",
         {u".xml", u".mbm"},
         {{"TMPDIR", aFile}, {"TMP", aFile}},
         u"\n打包【dusk】失败,原因:校正mbm文件失败: "},
        {u"jam",
         {u".xml", u".pxa"},
         {},
         u"无法创建文件 " + out + kSep + u"jam.kolo: ",
         3000,
         0,
         true},
#ifndef _WIN32
        // Files that grow past the size limit: the .kolo, the .mbm's copy.
        {u"big",
         {u".xml", u".pxa"},
         inTemp,
         u"写入文件 " + out + kSep +
             u"big.kolo 失败: File too large!\n生成KOLO文件:【big】 失败！\n",
         200000,
         65536},
        {u"dusk",
         {u".xml", u".mbm"},
         inTemp,
         u"\n打包【dusk】失败,原因:校正mbm文件失败: File too large!\n",
         200000,
         65536},
#endif
    };
    // A report that ends in ": " goes on with the system's reason.
    const auto reported = [](const std::u16string& text, const std::u16string& report) {
        const std::size_t at = text.find(report);
        if (at == std::u16string::npos || report.back() != u' ') return at != std::u16string::npos;
        const std::size_t end = text.find(u"!\n", at + report.size());
        return end != std::u16string::npos && end > at + report.size();
    };
    for (const auto& c : cases) {
        TempDir folder;
        Skin(folder.path(), u"night", {u".xml", u".pxa"});
        Skin(folder.path(), c.name, c.extensions, c.size);
        testing_support::RunOptions limits;
        limits.maxFileSize = c.maxFileSize;
        for (const bool quiet : {false, true}) {
            fs::remove_all(FsPath(out));
            if (c.folderAtKolo) fs::create_directories(FsPath(out + kSep + c.name + u".kolo"));
            std::vector<std::u16string> args = {u"-o", out, U16(folder.path())};
            if (quiet) args.push_back(u"-q");
            const Result result = Mkkolo(args, c.environment, {}, limits);
            EXPECT_EQ(result.exitCode, 1) << platform::Utf16ToUtf8(c.report);
            EXPECT_TRUE(reported(result.out, c.report)) << platform::Utf16ToUtf8(result.out);
            // With -q the made skin's report is left out.
            EXPECT_EQ(result.out.find(Written(u"night")) == std::u16string::npos, quiet);
            std::vector<std::u16string> left = {u"night.kolo"};
            if (c.folderAtKolo) left.insert(left.begin(), c.name + u".kolo");
            EXPECT_EQ(Names(FsPath(out)), left);
            EXPECT_TRUE(fs::is_empty(temp.path()));
        }
    }
}

// A job wraps only the package its own packer made, and never touches a
// file it was given.
TEST_F(MkkoloTest, OnlyWhatTheRunMadeIsWrapped) {
    // An earlier run's package stands at the skin's path, where mkkolo
    // writes none; the inputs are 4 GiB each, which the packer leaves out,
    // so it makes nothing.
    Skin(skins, u"z", {u".xml", u".pxa"}, 0);
    for (const char* input : {"z.xml", "z.pxa"}) fs::resize_file(skins / input, 1ull << 32);
    fs::create_directories(FsPath(out));
    WriteBytes(FsPath(out + kSep + u"z.pak"), "an earlier run's package");
    Result result = Mkkolo({u"-o", out, U16(skins)});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, u"文件 " + U16(skins / "z.pxa") + u" 被忽略!\n文件 " +
                              U16(skins / "z.xml") + u" 被忽略!\n没有可打包的文件, 未生成 " + out +
                              kSep + u"z.pak!\n生成KOLO文件:【z】 失败！\n" + NoneMade(u"z"));
    EXPECT_EQ(Contents(FsPath(out)),
              (std::map<std::u16string, std::string>{{u"z.pak", "an earlier run's package"}}));

    // A package of exactly 0xFFFFFFFF bytes would need ZIP64 records, which
    // the player does not read: no .kolo, and an earlier one stays.
    WriteBytes(skins / "b.xml", "XML!");
    WriteBytes(skins / "b.pxa", "");
    fs::resize_file(skins / "b.pxa", 4294967195u);
    WriteBytes(FsPath(out + kSep + u"b.kolo"), "an earlier .kolo");
    result =
        Mkkolo({u"-j1", u"--level", u"1", u"-o", out, U16(skins / "b.pxa"), U16(skins / "b.xml")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              Summary({{U16(skins / "b.pxa"), 4294967195u}, {U16(skins / "b.xml"), 4}}) +
                  u"包太大, 压缩前或压缩后达到 4GB, 不用 ZIP64 的 .kolo 装不下, 未生成 " + out +
                  kSep + u"b.kolo!\n生成KOLO文件:【b】 失败！\n" + NoneMade(u"b"));
    EXPECT_EQ(ReadBytes(FsPath(out + kSep + u"b.kolo")), "an earlier .kolo");

    // The user's own x.pak beside x.xml, packed into their folder.
    const fs::path folder = dir.path() / "d";
    fs::create_directories(folder);
    WriteBytes(folder / "x.pak", "DATA");
    WriteBytes(folder / "x.xml", "XML");
    result = Mkkolo({u"-o", U16(folder), U16(folder / "x.pak"), U16(folder / "x.xml")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, u"\n打包【x】失败,原因:输入文件 " + U16(folder / "x.pak") +
                              u" 与输出文件相同!\n" + NoneMade(u"x"));
    EXPECT_EQ(Contents(folder),
              (std::map<std::u16string, std::string>{{u"x.pak", "DATA"}, {u"x.xml", "XML"}}));
}

// Each run prepares its .mbm copies in a folder of its own, so two runs
// that share the temporary folder never pack each other's images; the
// folder goes at the end.
TEST_F(MkkoloTest, TwoRunsAtOnceKeepTheirOwnImages) {
    TempDir temp;
    const Environment environment = {{"TMPDIR", temp.path().string()},
                                     {"TMP", temp.path().string()}};
    for (int round = 0; round < 3; ++round) {
        Result results[2];
        std::thread runs[2];
        // Both runs' files are written before either starts: a child started
        // meanwhile could take over a handle still open for writing.
        for (int run = 0; run < 2; ++run) {
            const fs::path folder = dir.path() / ("run" + std::to_string(run));
            fs::create_directories(folder);
            WriteBytes(folder / "ember.xml", "<ember/>");
            WriteBytes(folder / "ember.mbm", "MBM of run " + std::to_string(run) +
                                                 testing_support::PatternBytes(400000, run));
        }
        for (int run = 0; run < 2; ++run) {
            const fs::path folder = dir.path() / ("run" + std::to_string(run));
            runs[run] = std::thread([&results, run, folder, &environment] {
                results[run] = Mkkolo({u"-o", U16(folder / "out"), U16(folder)}, environment);
            });
        }
        for (int run = 0; run < 2; ++run) {
            runs[run].join();
            EXPECT_EQ(results[run].exitCode, 0)
                << platform::Utf16ToUtf8(results[run].out + results[run].err);
            const fs::path folder = dir.path() / ("run" + std::to_string(run));
            const auto entry = testing_support::ReadSingleEntry(folder / "out" / "ember.kolo");
            const auto pak = entry ? testing_support::ReadPak(entry->data) : std::nullopt;
            ASSERT_TRUE(pak);
            // The .mbm comes first by name, so its copy is the first entry.
            EXPECT_EQ(pak->entries.at(0).name, u"ember.pxa");
            EXPECT_TRUE(pak->entries.at(0).data == "s" + ReadBytes(folder / "ember.mbm").substr(1))
                << "run " << run << " packed another run's image";
        }
        EXPECT_TRUE(fs::is_empty(temp.path()));
    }
}

// Runs into one folder take turns, so neither undoes what the other made:
// both make every .kolo, and every .kolo is whole at the end.
TEST_F(MkkoloTest, TwoRunsIntoOneFolderTakeTurns) {
    for (int i = 0; i < 8; ++i)
        Skin(skins, u"s" + platform::ToDecimal(i), {u".xml", u".pxa"}, 100000);
    const Environment environment = {{"SOURCE_DATE_EPOCH", kEpoch}};
    ASSERT_EQ(Mkkolo({u"-o", out, U16(skins)}, environment).exitCode, 0);
    const auto expected = Contents(FsPath(out));
    bool waited = false;
    for (int round = 0; round < 4; ++round) {
        Result results[2];
        std::thread runs[2];
        for (int run = 0; run < 2; ++run) {
            runs[run] = std::thread([&, run] {
                results[run] = Mkkolo({u"-j", u"2", u"-o", out, U16(skins)}, environment);
            });
        }
        for (int run = 0; run < 2; ++run) {
            runs[run].join();
            EXPECT_EQ(results[run].exitCode, 0) << platform::Utf16ToUtf8(results[run].out);
            waited |= results[run].err.find(u"正被另一个 mkkolo 使用") != std::u16string::npos;
        }
        EXPECT_TRUE(Contents(FsPath(out)) == expected) << "round " << round;
    }
    std::printf("a run waited for the other: %s\n", waited ? "yes" : "no");
}

// A file written every 100 ms while it lives, as a build tool's log would be.
struct BusyLog {
    explicit BusyLog(const fs::path& path)
        : writer([this, path] {
              for (; !stop; std::this_thread::sleep_for(std::chrono::milliseconds(100)))
                  WriteBytes(path, "log");
          }) {}
    ~BusyLog() {
        stop = true;
        writer.join();
    }
    std::atomic<bool> stop{false};
    std::thread writer;
};

// A watch packs again only the skins whose files changed or appeared, and
// each round ends with the closing line; what mkkolo itself writes into the
// watched folder, or a busy log beside the skins, starts or holds back no
// round, another run into the output folder need not wait for the watch,
// and Ctrl+C ends it.
TEST_F(MkkoloTest, AWatchPacksWhatChanges) {
    Skin(skins, u"night", {u".xml", u".pxa"});
    Skin(dir.path() / "other", u"other", {u".xml", u".pxa"});
    out = U16(skins / "out");  // inside the folder watched, with the folders inside it
    fs::create_directory(FsPath(out));
    testing_support::RunOptions options;
    options.environment = {{"LC_ALL", "C.UTF-8"}};
    testing_support::RunningProgram watch("mkkolo", {u"-w", u"-r", u"-o", out, U16(skins)},
                                          options);
    const std::string closing = "已完成: ";
    ASSERT_TRUE(watch.WaitForOutput(closing, 1)) << watch.output();
    const Result other = Mkkolo({u"-o", out, U16(dir.path() / "other")});
    EXPECT_TRUE(EndsWith(other.out, u"已完成: 1 个皮肤已生成, 0 个失败.\n"));

    const std::u16string pxa = U16(skins / "night.pxa"), xml = U16(skins / "night.xml");
    const std::u16string dawnPxa = U16(skins / "dawn.pxa");
    const auto lone = [](const char16_t* skin, const std::u16string& has, const char16_t* lacks) {
        return u"\n打包【" + std::u16string(skin) +
               u"】失败,原因:缺少文件(需两个同名的PXA文件与XML文件)!\n皮肤【" + skin + u"】只有 " +
               has + u", 缺少" + lacks + u"!\n";
    };
    std::optional<BusyLog> log;  // from its round on
    const struct {
        const char* what;
        std::function<void()> change;
        std::u16string report, closing;
    } rounds[] = {
        {"a layout saved while a log beside it is written every 100 ms",
         [&] {
             log.emplace(skins / "build.log");
             WriteBytes(skins / "night.xml", "<dusk/>");
         },
         Summary({{pxa, 3000}, {xml, 7}}) + Written(u"night"), u"1 个皮肤已生成, 0 个失败."},
        {"a layout saved as editors save it: written beside, renamed over",
         [&] {
             WriteBytes(skins / "night.xml.new", "<night/>");
             fs::rename(skins / "night.xml.new", skins / "night.xml");
         },
         Summary({{pxa, 3000}, {xml, 8}}) + Written(u"night"), u"1 个皮肤已生成, 0 个失败."},
        {"a new file: a skin of its own", [&] { WriteBytes(skins / "dawn.pxa", "PXA"); },
         lone(u"dawn", dawnPxa, u"布局文件(.xml)"), u"0 个皮肤已生成, 1 个失败: 【dawn】"},
        {"the file that makes it whole", [&] { WriteBytes(skins / "dawn.xml", "<a/>"); },
         Summary({{U16(skins / "dawn.pxa"), 3}, {U16(skins / "dawn.xml"), 4}}) + Written(u"dawn"),
         u"1 个皮肤已生成, 0 个失败."},
        {"a file deleted", [&] { fs::remove(skins / "night.pxa"); },
         lone(u"night", xml, u"图像包(.pxa 或 .mbm)"), u"0 个皮肤已生成, 1 个失败: 【night】"},
    };
    std::u16string reports = Summary({{pxa, 3000}, {xml, 3000}}) + Written(u"night") +
                             u"已完成: 1 个皮肤已生成, 0 个失败.\n";
    for (std::size_t i = 0; i < std::size(rounds); ++i) {
        rounds[i].change();
        ASSERT_TRUE(watch.WaitForOutput(closing, i + 2)) << rounds[i].what << "\n"
                                                         << watch.output();
        reports += rounds[i].report + u"已完成: " + rounds[i].closing + u"\n";
    }
    watch.Interrupt();
    const testing_support::ProcessResult result = watch.Wait();
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_EQ(platform::Utf8ToUtf16(result.errors), u"正在监视改动, 按 Ctrl+C 结束...\n");
    EXPECT_EQ(platform::Utf8ToUtf16(result.output),
              reports + u"已中断: 0 个皮肤已生成, 0 个失败, 0 个未打包!\n");
    // The skin that lost a file keeps the .kolo of its last round.
    EXPECT_EQ(Names(FsPath(out)),
              (std::vector<std::u16string>{u"dawn.kolo", u"night.kolo", u"other.kolo"}));
    const auto night = testing_support::ReadSingleEntry(FsPath(out + kSep + u"night.kolo"));
    const auto pak = night ? testing_support::ReadPak(night->data) : std::nullopt;
    ASSERT_TRUE(pak);
    EXPECT_EQ(pak->entries.at(1).data, "<night/>");
}

// However far off, SOURCE_DATE_EPOCH dates the entries at the end of the
// ZIP format's range.
TEST_F(MkkoloTest, AnyEpochDatesTheEntries) {
    Skin(skins, u"night", {u".xml", u".pxa"});
    for (const char* epoch : {"67768036191676799", "99999999999999999999999999"}) {
        EXPECT_EQ(Mkkolo({u"-o", out, U16(skins)}, {{"SOURCE_DATE_EPOCH", epoch}}).exitCode, 0);
        const auto entry = testing_support::ReadSingleEntry(FsPath(out + kSep + u"night.kolo"));
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->date.tm_year, 2107u) << epoch;
    }
}

#ifdef _WIN32
// Explorer's properties page shows each program's version resource: the
// project's version, a Chinese description, the language 2052.
TEST(VersionResources, EveryProgramCarriesOne) {
    for (const char* program : {"quill", "mkkolo", "vellum"}) {
        const std::u16string program16 = testing_support::ProgramPath(program);
        const std::wstring path(program16.begin(), program16.end());
        std::vector<char> data(GetFileVersionInfoSizeW(path.c_str(), nullptr));
        ASSERT_FALSE(data.empty()) << program;
        ASSERT_TRUE(
            GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
        const auto query = [&](const wchar_t* what) -> std::pair<void*, UINT> {
            void* value = nullptr;
            UINT size = 0;
            VerQueryValueW(data.data(), what, &value, &size);
            return {value, size};
        };
        const auto* fixed = static_cast<VS_FIXEDFILEINFO*>(query(L"\\").first);
        ASSERT_NE(fixed, nullptr);
        EXPECT_EQ(fixed->dwFileVersionMS, DWORD{KOLO_VERSION_MAJOR << 16 | KOLO_VERSION_MINOR});
        EXPECT_EQ(fixed->dwProductVersionLS, DWORD{KOLO_VERSION_PATCH << 16});
        const auto translation = query(L"\\VarFileInfo\\Translation");
        ASSERT_EQ(translation.second, 4u);
        EXPECT_EQ(static_cast<WORD*>(translation.first)[0], 2052);
        EXPECT_EQ(static_cast<WORD*>(translation.first)[1], 1200);
        const auto text = [&](const wchar_t* name) {
            const auto [value, size] =
                query((std::wstring(L"\\StringFileInfo\\080404b0\\") + name).c_str());
            return value ? std::wstring(static_cast<const wchar_t*>(value)) : std::wstring();
        };
        EXPECT_EQ(text(L"ProductVersion"), L"" KOLO_VERSION);
        EXPECT_EQ(text(L"OriginalFilename"), std::wstring(path.substr(path.rfind(L'\\') + 1)));
        EXPECT_NE(text(L"FileDescription").find(L"Zafra皮肤"), std::wstring::npos);
    }
}

// Files named like the system's devices lie on Linux disks. They are no
// inputs (a folder's are told of), and a skin whose package would be a
// device is refused.
TEST_F(MkkoloTest, DeviceNamesAreNeitherInputsNorOutputs) {
    Skin(skins, u"night", {u".xml", u".pxa"});
    // Written through the long form of their paths, which has no device
    // names, and removed so at the end: the folder's removal would stop at
    // them.
    std::vector<fs::path> devices;
    std::u16string unread;
    for (const char16_t* name : {u"aux", u"com1", u"con", u"nul"}) {
        for (const char16_t* extension : {u".pxa", u".xml"}) {
            devices.push_back(FsPath(u"\\\\?\\" + U16(skins) + kSep + name + extension));
            WriteBytes(devices.back(), "on the disk");
            unread += u"无法读取 " + U16(skins) + kSep + name + extension + u": 不是文件!\n";
        }
    }
    Result result = Mkkolo({u"-o", out, U16(skins)});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, unread);
    EXPECT_EQ(Names(FsPath(out)), std::vector<std::u16string>{u"night.kolo"});
    // The long form of a path has no device names: the inputs are files,
    // the package would not be.
    const std::u16string con = u"\\\\?\\" + U16(skins / "con");
    result = Mkkolo({u"-o", out, con + u".xml", con + u".pxa"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              u"\n打包【con】失败,原因:文件名 con.kolo 是系统保留的设备名!\n" + NoneMade(u"con"));
    for (const fs::path& device : devices) fs::remove(device);
}
#endif

// A package as quill writes it and a .kolo as mkkolo writes it, listed,
// tested and extracted; extracting never replaces a file unless told to.
TEST_F(MkkoloTest, ListsTestsAndExtractsWhatQuillAndMkkoloMade) {
    Skin(skins, u"night", {u".xml", u".pxa"}, 1000);
    const std::u16string xml = U16(skins / "night.xml"), pxa = U16(skins / "night.pxa");
    ASSERT_EQ(Mkkolo({u"-o", out, xml, pxa}).exitCode, 0);
    const std::u16string kolo = out + kSep + u"night.kolo", pak = dir / u"quill.pak";
    ASSERT_EQ(testing_support::RunProgram("quill", {pak, xml, pxa}).exitCode, 0);
    const auto entry = testing_support::ReadSingleEntry(FsPath(kolo)).value();
    const auto two = [](unsigned n) {
        std::u16string digits = platform::ToDecimal(n);
        if (n < 10) digits.insert(digits.begin(), u'0');
        return digits;
    };
    const std::u16string date = platform::ToDecimal(entry.date.tm_year) + u"-" +
                                two(entry.date.tm_mon + 1) + u"-" + two(entry.date.tm_mday) + u" " +
                                two(entry.date.tm_hour) + u":" + two(entry.date.tm_min) + u":" +
                                two(entry.date.tm_sec);
    Result result = Mkkolo({u"-l", kolo, pak});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, kolo + u":\n  night.pak\t2112 字节, 压缩后 " +
                              platform::ToDecimal(entry.compressedSize) + u" 字节, deflate, " +
                              date +
                              u"\n  包名 zafra, 2 个文件:\n    night.xml\t1000 字节\n"
                              u"    night.pxa\t1000 字节\n" +
                              pak +
                              u":\n  包名 zafra, 2 个文件:\n    night.xml\t1000 字节\n"
                              u"    night.pxa\t1000 字节\n");
    result = Mkkolo({u"-t", kolo, pak});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, u"文件 " + kolo + u" 完好.\n文件 " + pak + u" 完好.\n");

    const std::u16string into = dir / u"extracted";
    result = Mkkolo({u"-x", u"--output=" + into, kolo});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out,
              u"已解出 " + into + kSep + u"night.xml\n已解出 " + into + kSep + u"night.pxa\n");
    EXPECT_EQ(Contents(FsPath(into)), Contents(skins));
    WriteBytes(FsPath(into + kSep + u"night.xml"), "edited");
    result = Mkkolo({u"-xo", into, pak});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, u"");
    for (const char16_t* name : {u"night.xml", u"night.pxa"}) {
        EXPECT_NE(result.err.find(u"文件 " + into + kSep + name +
                                  u" 已存在, 未解出(可用 --force 覆盖)!\n"),
                  std::u16string::npos);
    }
    EXPECT_EQ(ReadBytes(FsPath(into + kSep + u"night.xml")), "edited");
    EXPECT_EQ(Mkkolo({u"-x", u"--force", u"-o", into, pak}).exitCode, 0);
    EXPECT_EQ(Contents(FsPath(into)), Contents(skins));
}

// Damaged copies of a package and of a .kolo: -t names the first rule each
// breaks, -l and -x refuse them, and -x writes nothing of them.
TEST_F(MkkoloTest, TestSaysExactlyWhatIsWrong) {
    // Header 0-16, name block 16-32, index table 32-60, name table 60-92,
    // terminator 92-96, contents 96-111.
    const std::string pak =
        testing_support::MakePak({"zafra", {{u"a.xml", "0123456789"}, {u"b.pxa", "image"}}});
    ASSERT_EQ(pak.size(), 111u);
    const auto cut = [&](std::size_t size) { return pak.substr(0, size); };
    const auto patched = [&](std::size_t offset, std::string bytes) {
        std::string copy = pak;
        return copy.replace(offset, bytes.size(), bytes);
    };
    const fs::path scratch = dir.path() / "scratch.zip";
    const auto zipped = [&](const std::vector<std::pair<std::string, std::string>>& entries,
                            int method = 8, bool zip64 = false) {
        testing_support::WriteZip(scratch, entries, method, zip64);
        return ReadBytes(scratch);
    };
    const std::string kolo = zipped({{"x.pak", pak}});
    const std::size_t directory = kolo.find("PK\1\2"), end = kolo.find("PK\5\6");
    // The entry's CRC, in the local header and in the central directory.
    const auto wrongCrc = [&](std::string zip) {
        for (const std::size_t at : {std::size_t{14}, directory + 16}) zip[at] ^= 1;
        return zip;
    };
    // Flag bits added in the local header and in the central directory.
    const auto flagged = [](std::string zip, unsigned local, unsigned central) {
        for (const auto& [at, bits] :
             {std::pair{std::size_t{6}, local}, {zip.find("PK\1\2") + 8, central}}) {
            zip[at] = static_cast<char>(zip[at] | (bits & 0xFF));
            zip[at + 1] = static_cast<char>(zip[at + 1] | bits >> 8);
        }
        return zip;
    };
    const auto le = [](std::uint64_t value, int size) {
        std::string bytes;
        for (int i = 0; i < size; ++i) bytes += static_cast<char>(value >> 8 * i);
        return bytes;
    };
    // As a ZIP64 writer ends it: the ZIP64 end record and its locator, then
    // an end record that leaves the counts, size and offset to them.
    const std::string cd = le(end - directory, 8) + le(directory, 8);
    const std::string zip64End = kolo.substr(0, end) + "PK\6\6" + le(44, 8) + le(45, 2) +
                                 le(45, 2) + le(0, 8) + le(1, 8) + le(1, 8) + cd + "PK\6\7" +
                                 le(0, 4) + le(end, 8) + le(1, 4) + "PK\5\6" + le(0, 4) +
                                 le(0xFFFFFFFF, 4) + le(0xFFFFFFFF, 8) + le(0, 2);
    const std::u16string truncated = u"文件只有 ";
    const struct {
        const char* name;
        std::string bytes;
        std::u16string verdict;
    } cases[] = {
        {"empty.pak", "", truncated + u"0 字节, 在文件头中截断(应至少有 16 字节)"},
        {"header.pak", cut(16), truncated + u"16 字节, 在包名块中截断(应至少有 24 字节)"},
        {"name.pak", cut(28), truncated + u"28 字节, 在包名块中截断(应至少有 32 字节)"},
        {"block.pak", cut(32), truncated + u"32 字节, 在索引表中截断(应至少有 36 字节)"},
        {"index.pak", cut(40), truncated + u"40 字节, 在索引表中截断(应至少有 60 字节)"},
        {"table.pak", cut(60), truncated + u"60 字节, 在名称表中截断(应至少有 64 字节)"},
        {"record.pak", cut(70), truncated + u"70 字节, 在名称表中截断(应至少有 76 字节)"},
        {"names.pak", cut(92), truncated + u"92 字节, 在结束标记中截断(应至少有 96 字节)"},
        {"end.pak", cut(96), truncated + u"96 字节, 在文件内容中截断(应至少有 111 字节)"},
        {"contents.pak", cut(110), truncated + u"110 字节, 在文件内容中截断(应至少有 111 字节)"},
        {"longer.pak", pak + "x", u"结束项的数据偏移为 111, 文件长度为 112"},
        {"magic.pak", patched(0, "PACK"), u"开头不是 QUIL, 不是包文件"},
        {"version.pak", patched(4, "\2"), u"版本为 2, 只认识版本 1"},
        {"reserved.pak", patched(12, "\1"), u"文件头的保留字不为 0"},
        {"toolong.pak", patched(20, std::string("\xf9\3\0\0", 4)),
         u"包名长 1017 字节, 最多 1016 字节"},
        {"indexlength.pak", patched(32, "\x1b"), u"索引表长度 27 无效"},
        {"nameoffset.pak", patched(44, "\x4d"), u"第 2 项的名称偏移为 77, 应为 76"},
        {"tablesize.pak", patched(16, "\x21"), u"名称表大小为 33, 应为 32"},
        {"endname.pak", patched(52, "\x5d"), u"结束项的名称偏移为 93, 应为 92"},
        {"utf16.pak", patched(64, std::string("\0\xd8", 2)), u"第 1 项的名称不是有效的 UTF-16"},
        {"terminator.pak", patched(92, "\1"), u"结束标记为 1, 应为 0"},
        {"first.pak", patched(40, "\x61"), u"第 1 项的数据偏移为 97, 应为 96"},
        {"backwards.pak", patched(48, "\x5f"), u"第 2 项的数据偏移 95 小于前一项的 96"},
        {"ending.pak", patched(56, "\x6e"), u"结束项的数据偏移为 110, 文件长度为 111"},
        {"text.kolo", "not an archive", u"不是 ZIP 压缩包"},
        {"cut.kolo", kolo.substr(0, directory), u"压缩包被截断(没有结束记录)"},
        {"zip64.kolo", zipped({{"x.pak", pak}}, 8, true), u"压缩包用了 ZIP64, 不支持"},
        {"zip64end.kolo", zip64End, u"压缩包用了 ZIP64, 不支持"},
        {"inner.kolo", zipped({{"x.pak", cut(60)}}),
         u"压缩包中的 x.pak: 文件只有 60 字节, 在名称表中截断(应至少有 64 字节)"},
        {"crc.kolo", wrongCrc(kolo), u"压缩包中的 x.pak 的 CRC 校验失败"},
        {"two.kolo", zipped({{"x.pak", pak}, {"y.pak", pak}}), u"压缩包中有 2 个文件, 应为 1 个"},
        {"encrypted.kolo", flagged(kolo, 0x0001, 0x0001), u"压缩包中的 x.pak 已加密, 不支持"},
        // The name is UTF-8 (bit 11), whatever the code page.
        {"flags.kolo", flagged(zipped({{"夜.pak", pak}}), 0x1820, 0x1820),
         u"压缩包中的 夜.pak 用了不支持的标志位 5"},
        {"stored.kolo", zipped({{"x.pak", pak}}, 0),
         u"压缩包中的 x.pak 未用 deflate 压缩(压缩方式 0)"},
    };
    const fs::path damaged = dir.path() / "damaged";
    fs::create_directories(damaged);
    std::vector<std::u16string> args = {u"-t"};
    std::u16string verdicts;
    for (const auto& c : cases) {
        const fs::path path = damaged / c.name;
        WriteBytes(path, c.bytes);
        args.push_back(U16(path));
        verdicts += u"文件 " + U16(path) + u" 有误: " + c.verdict + u"!\n";

        const std::u16string into = dir / u"into";
        const Result extracted = Mkkolo({u"-x", u"-o", into, U16(path)});
        EXPECT_EQ(extracted.exitCode, 1) << c.name;
        EXPECT_EQ(extracted.err, u"文件 " + U16(path) + u" 有误: " + c.verdict + u"!\n");
        EXPECT_TRUE(fs::is_empty(FsPath(into))) << c.name;
    }
    const Result tested = Mkkolo(args);
    EXPECT_EQ(tested.exitCode, 1);
    EXPECT_EQ(tested.out, verdicts);
    const Result listed = Mkkolo({u"-l", args.back()});
    EXPECT_EQ(listed.exitCode, 1);
    EXPECT_EQ(listed.err,
              u"文件 " + args.back() + u" 有误: " + cases[std::size(cases) - 1].verdict + u"!\n");
}

// A package's names come from anywhere: none of them may put a file outside
// the folder, or onto a device, or onto an entry already taken.
TEST_F(MkkoloTest, ExtractionKeepsToItsFolder) {
    const std::vector<std::u16string> names = {u"../evil.xml",
                                               u"sub/x.xml",
                                               u"sub\\x.xml",
                                               u"C:x.xml",
                                               u"..",
                                               u"con.xml",
                                               u"Lpt1",
                                               u"a\x01"
                                               u"b",
                                               u"dot.",
                                               u"what?",
                                               u"",
                                               u"c\x9b[2J",
                                               u"Good.xml",
                                               u"good.XML",
                                               u"\u00c9.txt",
                                               u"\u00e9.txt"};
    testing_support::Pak pak{"zafra", {}};
    for (const auto& name : names)
        pak.entries.push_back({name, "from " + platform::Utf16ToUtf8(name)});
    const fs::path folder = dir.path() / "in" / "out";
    fs::create_directories(folder);
    const std::u16string file = dir / u"hostile.pak";
    WriteBytes(FsPath(file), testing_support::MakePak(pak));
    // Given twice, even with --force, the second copy replaces nothing the
    // first put out.
    const Result result = Mkkolo({u"-x", u"-o", U16(folder), file, file, u"--force"});
    EXPECT_EQ(result.exitCode, 1);
    const std::u16string shown[] = {u"../evil.xml", u"sub/x.xml", u"sub\\x.xml", u"C:x.xml",
                                    u"..",          u"con.xml",   u"Lpt1",       u"a\\x01b",
                                    u"dot.",        u"what?",     u"",           u"c\\x9B[2J"};
    const std::u16string good = U16(folder) + kSep + u"Good.xml",
                         acute = U16(folder) + kSep + u"\u00c9.txt";
    std::u16string refusals;
    for (const bool again : {false, true}) {
        const std::u16string about = u"文件 " + file + u" 中第 ";
        for (std::size_t i = 0; i < std::size(shown); ++i) {
            refusals += about + platform::ToDecimal(i + 1) + u" 项的名称 " + shown[i] +
                        u" 不能用作文件名, 未解出!\n";
        }
        if (again) refusals += about + u"13 项 Good.xml 与已解出的 " + good + u" 同名, 未解出!\n";
        refusals += about + u"14 项 good.XML 与第 13 项同名, 未解出!\n";
        if (again) {
            refusals += about + u"15 项 \u00c9.txt 与已解出的 " + acute + u" 同名, 未解出!\n";
        }
        refusals += about + u"16 项 \u00e9.txt 与第 15 项同名, 未解出!\n";
    }
    EXPECT_EQ(result.err, refusals);
    EXPECT_EQ(result.out, u"已解出 " + good + u"\n已解出 " + acute + u"\n");
    EXPECT_EQ(Contents(folder),
              (std::map<std::u16string, std::string>{{u"Good.xml", "from Good.xml"},
                                                     {u"\u00c9.txt", "from \xc3\x89.txt"}}));
    // Nothing above the folder either.
    std::vector<fs::path> above;
    for (const auto& item : fs::directory_iterator(dir.path() / "in")) above.push_back(item.path());
    EXPECT_EQ(above, std::vector<fs::path>{folder});
}

// Each skin's verdict is told with its report, on one stream: a made skin
// with a warning says so on its own lines, a refusal says what the skin
// lacks; -n, --strict and --json word the same verdicts. (Which warnings and
// refusals come of which files: tests/pipeline/verdict_test.cpp.)
TEST_F(MkkoloTest, TellsEachSkinsVerdictWithItsReport) {
    // They run red, blue, green.
    Skin(skins, u"blue", {u".pxa"});
    WriteBytes(skins / "blue.xml", "<skin>\n  <a></skin>\n");
    Skin(skins, u"red", {u".xml"});
    Skin(skins, u"green", {u".xml", u".pxa"});
    const std::u16string blue = U16(skins / "blue"), red = U16(skins / "red.xml");
    const std::u16string warning = u"警告: 皮肤【blue】的 " + blue +
                                   u".xml 不是格式正确的 XML: 第 2 行第 8 列, mismatched tag!\n";
    const std::u16string refused =
        u"\n打包【red】失败,原因:缺少文件(需两个同名的PXA文件与XML文件)!\n皮肤【red】只有 " + red +
        u", 缺少图像包(.pxa 或 .mbm)!\n";
    const std::u16string green =
        Summary({{U16(skins / "green.pxa"), 3000}, {U16(skins / "green.xml"), 3000}}) +
        Written(u"green");
    const std::u16string bluePacked = Summary({{blue + u".pxa", 3000}, {blue + u".xml", 20}}) +
                                      u"生成KOLO文件成功, 但有 1 个警告！\n路径:" + out + kSep +
                                      u"blue.kolo\n" + warning;
    const std::u16string heldBack = u"\n打包【blue】失败,原因:有警告(--strict)!\n" + warning;
    const struct {
        std::vector<std::u16string> options;
        std::u16string log;
        bool written;
    } runs[] = {
        {{},
         refused + bluePacked + green +
             u"已完成: 2 个皮肤已生成, 其中 1 个有警告, 1 个失败: 【red】\n",
         true},
        {{u"-n"},
         refused + u"【blue】 " + blue + u".pxa + " + blue + u".xml\n" + warning + u"【green】 " +
             U16(skins / "green.pxa") + u" + " + U16(skins / "green.xml") + u"\n",
         false},
        {{u"--strict"},
         refused + heldBack + green + u"已完成: 1 个皮肤已生成, 2 个失败: 【red】【blue】\n",
         true},
        {{u"-q"},
         refused + bluePacked + u"已完成: 2 个皮肤已生成, 其中 1 个有警告, 1 个失败: 【red】\n",
         true},
    };
    for (const auto& run : runs) {
        std::vector<std::u16string> args = run.options;
        args.insert(args.end(), {u"-o", out, U16(skins)});
        const Result result = Mkkolo(args);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, run.log);
        EXPECT_EQ(result.err, u"");
        EXPECT_EQ(fs::exists(FsPath(out)), run.written);
        fs::remove_all(FsPath(out));
    }

    // With --json the texts go to standard error, the report for scripts
    // to standard output.
    const Result result = Mkkolo({u"--json", u"--strict", u"-o", out, U16(skins)});
    EXPECT_EQ(result.err,
              refused + heldBack + green + u"已完成: 1 个皮肤已生成, 2 个失败: 【red】【blue】\n");
    const auto report = nlohmann::json::parse(platform::Utf16ToUtf8(result.out));
    EXPECT_EQ(report.at("skins").at(0).at("errors").at(0).at("kind"), "missing_bundle");
    const auto& skin = report.at("skins").at(1);
    EXPECT_EQ(skin.at("outcome"), "held_back");
    EXPECT_EQ(skin.at("warnings").at(0).at("kind"), "layout_not_well_formed");
    EXPECT_EQ(skin.at("errors").at(0).at("kind"), "held_back");
    EXPECT_EQ(report.at("made"), 1);

    // A package made by quill, which checks nothing: -l and -t warn of its
    // entries after their listing or verdict; -t --strict fails on them.
    const std::u16string pak = dir / u"q.pak", mbm = dir / u"m.mbm";
    WriteBytes(FsPath(mbm), "BM" + std::string(30, '\0'));
    ASSERT_EQ(testing_support::RunProgram("quill", {pak, blue + u".xml", mbm}).exitCode, 0);
    const std::u16string entries =
        u"警告: 皮肤【q】的 blue.xml 不是格式正确的 XML: 第 2 行第 8 列, mismatched tag!\n"
        u"警告: 皮肤【q】的 m.mbm 不是多位图文件!\n";
    Result examined = Mkkolo({u"-t", pak, u"--strict"});
    EXPECT_EQ(examined.exitCode, 1);
    EXPECT_EQ(examined.out, u"文件 " + pak + u" 完好.\n");
    EXPECT_EQ(examined.err, entries);
    examined = Mkkolo({u"-l", pak});
    EXPECT_EQ(examined.exitCode, 0);
    EXPECT_EQ(examined.err, entries);
}

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__)
// A first tag too long for the memory the run may have: the check gives out
// where the tag starts, with a warning, and the skin is packed all the same.
TEST_F(MkkoloTest, ALayoutTooLargeToCheckIsWarnedOfAndPacked) {
    Skin(skins, u"huge", {u".pxa"});
    WriteBytes(skins / "huge.xml", "<skin a=\"" + std::string(16000000, 'x') + "\"/>");
    testing_support::RunOptions limits;
    limits.maxMemory = 50 << 20;
    for (const char16_t* mode : {u"-n", u"-q"}) {
        const Result result = Mkkolo({mode, u"-o", out, U16(skins)}, {}, {}, limits);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_NE(result.out.find(u"警告: 皮肤【huge】的 " + U16(skins / "huge.xml") +
                                  u" 不是格式正确的 XML: 第 1 行第 1 列, out of memory!\n"),
                  std::u16string::npos)
            << platform::Utf16ToUtf8(result.out + result.err);
    }
    EXPECT_EQ(Names(FsPath(out)), std::vector<std::u16string>{u"huge.kolo"});
}
#endif

TEST_F(MkkoloTest, CommandLine) {
#ifdef _WIN32
    const platform::SystemError kNotFound{2};  // ERROR_FILE_NOT_FOUND
#else
    const platform::SystemError kNotFound{ENOENT};
#endif
    const std::u16string version = u"mkkolo " KOLO_VERSION u"\n";
    // A usage error says what was wrong and where the usage is.
    const std::u16string help = u"用 mkkolo --help 查看用法.\n";
    WriteBytes(dir.path() / "afile", "not a folder");
#ifdef _WIN32
    const std::u16string device = u"NUL";
#else
    const std::u16string device = u"/dev/null";
#endif
    // Two trees of the same shape: with -r their skins would make the same
    // .kolo files.
    for (const char* tree : {"p1", "p2"})
        Skin(dir.path() / tree / "red", u"theme", {u".xml", u".pxa"});
    const std::u16string red = kSep + u"red" + kSep;
    const struct {
        std::vector<std::u16string> args;
        const char* epoch;
        int exitCode;
        std::u16string out, err;
    } cases[] = {
        {{}, nullptr, 2, u"", u"缺少路径!\n" + help},
        {{u"-y", u"a"}, nullptr, 2, u"", u"未知选项 -y!\n" + help},
        {{u"-qz", u"a"}, nullptr, 2, u"", u"未知选项 -z!\n" + help},
        {{u"--bogus=1", u"a"}, nullptr, 2, u"", u"未知选项 --bogus!\n" + help},
        {{u"a", u"-o"}, nullptr, 2, u"", u"选项 -o 缺少参数!\n" + help},
        {{u"a", u"--output"}, nullptr, 2, u"", u"选项 --output 缺少参数!\n" + help},
        {{u"--quiet=yes", u"a"}, nullptr, 2, u"", u"选项 --quiet 不带参数!\n" + help},
        {{u"-j", u"0", u"a"}, nullptr, 2, u"", u"并行数 0 无效!\n" + help},
        {{u"-j4x", u"a"}, nullptr, 2, u"", u"并行数 4x 无效!\n" + help},
        {{u"-qj", u"x", u"a"}, nullptr, 2, u"", u"并行数 x 无效!\n" + help},
        {{u"--jobs=-1", u"a"}, nullptr, 2, u"", u"并行数 -1 无效!\n" + help},
        {{u"-l", u"--test", u"a"}, nullptr, 2, u"", u"选项 -l 与 --test 不能同时使用!\n" + help},
        {{u"-w", u"-n", u"a"}, nullptr, 2, u"", u"选项 -w 与 -n 不能同时使用!\n" + help},
        {{u"-t", u"--json", u"a"}, nullptr, 2, u"", u"选项 --json 只能用于打包和 -n!\n" + help},
        {{u"-w", u"--json", u"a"}, nullptr, 2, u"", u"选项 --json 只能用于打包和 -n!\n" + help},
        {{u"-x", u"--wat", u"a"}, nullptr, 2, u"", u"选项 -x 与 --watch 不能同时使用!\n" + help},
        // A watch of nothing that can be watched ends after its first run.
        {{u"-w", u"gone" + kSep + u"a.xml"},
         nullptr,
         1,
         u"",
         u"无法监视 gone" + kSep + u"a.xml: " + platform::Describe(kNotFound) + u"!\n路径 gone" +
             kSep +
             u"a.xml 不存在!\n没有可打包的皮肤文件!\n正在监视改动, 按 Ctrl+C 结束...\n"
             u"没有可监视的路径了, 监视结束!\n"},
        {{u"--level", u"0", u"a"}, nullptr, 2, u"", u"压缩级别 0 无效!\n" + help},
        {{u"--level=13", u"a"}, nullptr, 2, u"", u"压缩级别 13 无效!\n" + help},
        {{u"--level=", u"a"}, nullptr, 2, u"", u"压缩级别  无效!\n" + help},
        {{u"a", u"--level"}, nullptr, 2, u"", u"选项 --level 缺少参数!\n" + help},
        {{u"--levels", u"a"}, nullptr, 2, u"", u"未知选项 --levels!\n" + help},
        // Long options shortened as getopt_long takes them, unless ambiguous.
        {{u"--le", u"13", u"a"}, nullptr, 2, u"", u"压缩级别 13 无效!\n" + help},
        {{u"a", u"--out"}, nullptr, 2, u"", u"选项 --output 缺少参数!\n" + help},
        {{u"--qu=1", u"a"}, nullptr, 2, u"", u"选项 --quiet 不带参数!\n" + help},
        {{u"--l", u"a"}, nullptr, 2, u"", u"选项 --l 不明确, 可能是 --level --list!\n" + help},
        // A bad environment is no fault of the command line's.
        {{u"a"}, "12x", 2, u"", u"环境变量 SOURCE_DATE_EPOCH 的值 12x 无效!\n"},
        {{u"-h"}, nullptr, 0, kUsage, u""},
        {{u"a", u"--help", u"-y"}, nullptr, 0, kUsage, u""},
        {{u"/?"}, nullptr, 0, kUsage, u""},
        {{u"a", u"-?"}, nullptr, 0, kUsage, u""},
        {{u"--version"}, nullptr, 0, version, u""},
        {{u"--vers"}, nullptr, 0, version, u""},
        // Options after "--" are paths.
        {{u"--", u"--version"},
         nullptr,
         1,
         u"",
         u"路径 --version 不存在!\n没有可打包的皮肤文件!\n"},
        // A file where the output folder would be is left as it is.
        {{u"-o", u"afile", u"a"}, nullptr, 1, u"", u"输出文件夹 afile 是一个文件, 不是文件夹!\n"},
        {{u"-xo", u"afile", u"a"}, nullptr, 1, u"", u"输出文件夹 afile 是一个文件, 不是文件夹!\n"},
        {{u"-o", device, u"a"},
         nullptr,
         1,
         u"",
         u"输出文件夹 " + device + u" 是一个设备, 不是文件夹!\n"},
        // Refused before anything is written, with -n too.
        {{u"-r", u"-o", u"o2", u"p1", u"p2"},
         nullptr,
         1,
         u"",
         u"p1" + red + u"theme.pxa 与 p2" + red + u"theme.pxa 会生成同一个文件 o2" + red +
             u"theme.kolo!\n"},
        {{u"-rn", u"p1", u"p2"},
         nullptr,
         1,
         u"",
         u"p1" + red + u"theme.pxa 与 p2" + red + u"theme.pxa 会生成同一个文件 ." + red +
             u"theme.kolo!\n"},
    };
    for (const auto& c : cases) {
        Environment environment;
        if (c.epoch) environment.emplace_back("SOURCE_DATE_EPOCH", c.epoch);
        const Result result = Mkkolo(c.args, environment, U16(dir.path()));
        EXPECT_EQ(result.exitCode, c.exitCode) << platform::Utf16ToUtf8(c.err);
        EXPECT_EQ(result.out, c.out);
        EXPECT_EQ(result.err, c.err);
    }
    EXPECT_EQ(ReadBytes(dir.path() / "afile"), "not a folder");
    EXPECT_FALSE(fs::exists(dir.path() / "o2"));
    EXPECT_FALSE(fs::exists(dir.path() / "red"));
}

TEST_F(MkkoloTest, Version) {
    // The version wins over the paths and options before and after it, and
    // nothing is packed.
    Skin(skins, u"night", {u".xml", u".pxa"});
    const Result result = Mkkolo({u"-o", out, U16(skins), u"--version", u"-x"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, u"mkkolo " KOLO_VERSION "\n");
    EXPECT_EQ(result.err, u"");
    EXPECT_FALSE(fs::exists(FsPath(out)));
}

TEST_F(MkkoloTest, WhatThePathsSelect) {
    // A folder gives its skin files in name order, extensions in any case;
    // neither other files nor a folder inside it, which it says.
    Skin(skins, u"night", {u".xml", u".pxa"});
    Skin(skins, u"dawn", {u".XML", u".PXA"});
    Skin(skins, u"notes", {u".txt"});
    Skin(skins / "inner.xml", u"inner", {u".xml", u".pxa"});
    // With -r those of the folders inside too, each folder's files paired
    // among themselves: three skins of one name.
    for (const fs::path& folder : {skins / "a", skins / "a" / "b", skins / "inner.xml"})
        Skin(folder, u"m", {u".xml", u".pxa"});
#ifndef _WIN32
    // A link to a folder is not followed.
    Skin(dir.path() / "elsewhere", u"far", {u".xml", u".pxa"});
    fs::create_directory_symlink(dir.path() / "elsewhere", skins / "link");
#endif
    // Named files are taken whatever their extension, but only a layout and
    // an image bundle make a skin; a file named twice counts once.
    const fs::path named = dir.path() / "named";
    Skin(named, u"readme", {u".txt", u".bin"});
    Skin(named, u"x", {u".pxa", u".xml"});
    const std::u16string x = U16(named / "x");
    // Options may follow the paths; the output folder is made with its
    // parents and shown without the separator it was given with.
    const std::u16string given = out + kSep + u"a" + kSep;
    const std::u16string recursiveOut = out + kSep + u"r";
    out += kSep + u"a";
    Result result =
        Mkkolo({U16(skins), U16(named / "readme.txt"), U16(named / "readme.bin"), x + u".pxa",
                x + u".pxa", x + u".xml", u"-o", given, U16(dir.path() / "gone")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, u"路径 " + U16(dir.path() / "gone") + u" 不存在!\n" + u"注意: 文件夹 " +
                              U16(skins) + u" 中的子文件夹未搜索, 用 -r 搜索!\n");
    EXPECT_NE(result.out.find(Written(u"night")), std::u16string::npos);
    EXPECT_TRUE(EndsWith(result.out, u"已完成: 3 个皮肤已生成, 1 个失败: 【readme】\n"));
    EXPECT_NE(result.out.find(u"打包【readme】失败,原因:缺少文件"), std::u16string::npos);
    // The .kolo files in a folder, with the files that each one's package holds.
    const std::map<std::u16string, std::vector<std::u16string>> entries = {
        {u"dawn.kolo", {u"dawn.PXA", u"dawn.XML"}}, {u"night.kolo", {u"night.pxa", u"night.xml"}},
        {u"x.kolo", {u"x.pxa", u"x.xml"}},          {u"inner.kolo", {u"inner.pxa", u"inner.xml"}},
        {u"m.kolo", {u"m.pxa", u"m.xml"}},
    };
    const auto packed = [&](const std::u16string& folder) {
        std::map<std::u16string, std::vector<std::u16string>> kolos;
        for (const auto& name : Names(FsPath(folder))) {
            kolos[name] = PackedNames(FsPath(folder + kSep + name));
        }
        return kolos;
    };
    const auto some = [&](std::initializer_list<const char16_t*> names) {
        std::map<std::u16string, std::vector<std::u16string>> kolos;
        for (const char16_t* name : names) kolos[name] = entries.at(name);
        return kolos;
    };
    EXPECT_EQ(packed(out), some({u"dawn.kolo", u"night.kolo", u"x.kolo"}));

    // Each .kolo in the same folder below the output folder as its skin
    // below the folder given; the report for scripts gives that folder.
    result = Mkkolo({u"-r", u"--json", u"-o", recursiveOut, U16(skins)});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(EndsWith(result.err, u"\n已完成: 6 个皮肤已生成, 0 个失败.\n"));
    const std::u16string a = u"a" + kSep, b = a + u"b", inner = u"inner.xml";
    const std::map<std::u16string, std::u16string> folders = {
        {u"dawn.kolo", u""},
        {u"night.kolo", u""},
        {a + u"m.kolo", u"a"},
        {b + kSep + u"m.kolo", b},
        {inner + kSep + u"m.kolo", inner},
        {inner + kSep + u"inner.kolo", inner}};
    std::map<std::u16string, std::u16string> reported, written;
    const auto report = nlohmann::json::parse(platform::Utf16ToUtf8(result.out));
    for (const auto& skin : report.at("skins")) {
        const std::u16string kolo = platform::Utf8ToUtf16(skin.at("kolo").get<std::string>());
        reported[kolo.substr(recursiveOut.size() + 1)] =
            platform::Utf8ToUtf16(skin.at("folder").get<std::string>());
    }
    EXPECT_EQ(reported, folders);
    for (const auto& item : fs::recursive_directory_iterator(FsPath(recursiveOut))) {
        if (!item.is_regular_file()) continue;
        const std::u16string path = U16(item.path()).substr(recursiveOut.size() + 1);
        written[path] = reported[path];
        EXPECT_EQ(PackedNames(item.path()), entries.at(item.path().filename().u16string()));
    }
    EXPECT_EQ(written, folders);
}

// The names of the .kolo files anywhere below a folder, however deep, in
// name order; none when there is no folder.
std::vector<std::u16string> KolosBelow(const fs::path& folder) {
    std::vector<std::u16string> names;
#ifdef _WIN32
    // In the long form, which has no limit on a path's length.
    const std::function<void(const std::wstring&)> walk = [&](const std::wstring& at) {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((at + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            const std::wstring name = found.cFileName;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." &&
                name != L"..") {
                walk(at + L"\\" + name);
            } else if (platform::HasExtension(platform::FromWide(name), u".kolo")) {
                names.push_back(platform::FromWide(name));
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    };
    walk(L"\\\\?\\" + fs::absolute(folder).wstring());
#else
    // Folder by folder, as no call could take a path past PATH_MAX whole.
    const std::function<void(int)> walk = [&](int at) {
        DIR* const listing = at < 0 ? nullptr : fdopendir(at);
        if (!listing) return;
        while (const dirent* entry = readdir(listing)) {
            const std::string name = entry->d_name;
            if (entry->d_type == DT_DIR && name != "." && name != "..") {
                walk(openat(dirfd(listing), name.c_str(), O_RDONLY | O_DIRECTORY));
            } else if (platform::HasExtension(U16(name), u".kolo")) {
                names.push_back(U16(name));
            }
        }
        closedir(listing);
    };
    walk(open(folder.c_str(), O_RDONLY | O_DIRECTORY));
#endif
    std::sort(names.begin(), names.end());
    return names;
}

// A folder's entries are taken for what they are: a link to a file as the
// file, a link to a folder not at all, a folder named like a skin file as a
// folder, searched below the system's limit on a path's length too. What
// cannot be read and is named like a skin file is told of, with why.
TEST_F(MkkoloTest, TheSearchTakesEachEntryForWhatItIs) {
    using Make = void (*)(const fs::path& folder, const fs::path& elsewhere);
    const struct {
        const char* what;
        Make make;
        std::vector<std::u16string> kolos;
        // The entry that cannot be read, and the system's error (0: no file).
        const char16_t* unreadable = nullptr;
        int error = 0;
    } cases[] = {
        {"a folder named like a skin file",
         [](const fs::path& folder, const fs::path&) {
             Skin(folder / "dir.xml", u"inner", {u".xml", u".pxa"});
         },
         {u"inner.kolo"}},
#ifdef _WIN32
        // Beyond MAX_PATH, made through the long form of its path.
        {"a folder deeper than the system's limit on a path's length",
         [](const fs::path& folder, const fs::path&) {
             std::u16string deep = u"\\\\?\\" + U16(folder);
             for (int i = 0; i < 3; ++i) deep += kSep + std::u16string(100, u'd');
             Skin(FsPath(deep), u"deep", {u".xml", u".mbm"});
         },
         {u"deep.kolo"}},
#else
        {"a folder deeper than the system's limit on a path's length",
         [](const fs::path& folder, const fs::path&) {
             // Made folder by folder: no call takes the whole path.
             int at = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
             const std::string name(200, 'd');
             for (std::size_t length = folder.native().size(); length <= PATH_MAX; length += 201) {
                 mkdirat(at, name.c_str(), 0777);
                 close(std::exchange(at, openat(at, name.c_str(), O_RDONLY | O_DIRECTORY)));
             }
             for (const char* file : {"deep.xml", "deep.pxa"}) {
                 const int fd = openat(at, file, O_WRONLY | O_CREAT, 0666);
                 EXPECT_EQ(write(fd, "<skin/>", 7), 7);
                 close(fd);
             }
             close(at);
         },
         {u"deep.kolo"}},
        {"a link to a file",
         [](const fs::path& folder, const fs::path& elsewhere) {
             Skin(folder, u"far", {u".pxa"});
             fs::create_symlink(elsewhere / "far.xml", folder / "far.xml");
         },
         {u"far.kolo"}},
        {"a link to a folder named like a skin file",
         [](const fs::path& folder, const fs::path& elsewhere) {
             fs::create_directory_symlink(elsewhere, folder / "folder.xml");
         },
         {}},
        {"a link that leads nowhere",
         [](const fs::path& folder, const fs::path& elsewhere) {
             fs::create_symlink(elsewhere / "gone.xml", folder / "dangling.xml");
         },
         {},
         u"dangling.xml",
         ENOENT},
        {"a pipe",
         [](const fs::path& folder, const fs::path&) {
             ASSERT_EQ(mkfifo((folder / "pipe.pxa").c_str(), 0600), 0);
         },
         {},
         u"pipe.pxa"},
#endif
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const TempDir folder, elsewhere;
        Skin(elsewhere.path(), u"far", {u".xml", u".pxa"});
        c.make(folder.path(), elsewhere.path());
        fs::remove_all(FsPath(out));
        const Result result = Mkkolo({u"-r", u"-q", u"-o", out, U16(folder.path())});
        std::u16string err;
        if (c.unreadable) {
            err = u"无法读取 " + U16(folder.path()) + kSep + c.unreadable + u": " +
                  (c.error ? platform::Describe(platform::SystemError{c.error}) : u"不是文件") +
                  u"!\n";
        }
        EXPECT_EQ(result.err, c.kolos.empty() ? err + u"没有可打包的皮肤文件!\n" : err);
        EXPECT_EQ(result.exitCode, c.unreadable || c.kolos.empty() ? 1 : 0);
        EXPECT_EQ(KolosBelow(FsPath(out)), c.kolos);
    }
}

TEST_F(MkkoloTest, NonAsciiSkinNames) {
    // 夜曲 has a place in the Chinese code page, the snowman in none.
    for (const std::u16string name : {u"夜曲", u"☃"}) {
        Skin(skins, name, {u".xml", u".pxa"});
        const Result result = Mkkolo(
            {u"-o", out, U16(skins / FsPath(name + u".xml")), U16(skins / FsPath(name + u".pxa"))});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_NE(result.out.find(Written(name)), std::u16string::npos)
            << platform::Utf16ToUtf8(result.out);
        // The reader takes 8-bit paths.
        const fs::path copy = dir.path() / "copy.kolo";
        fs::remove(copy);
        fs::copy_file(FsPath(out + kSep + name + u".kolo"), copy);
        EXPECT_EQ(PackedNames(copy), (std::vector<std::u16string>{name + u".xml", name + u".pxa"}));
    }
    EXPECT_EQ(testing_support::ReadSingleEntry(dir.path() / "copy.kolo").value().name,
              platform::ToThreadAnsi(u"☃.pak"));
}

TEST_F(MkkoloTest, AnOutputFolderThatCannotBeMadeEndsTheRun) {
    Skin(skins, u"night", {u".xml", u".pxa"});
    WriteBytes(dir.path() / "file", "x");
    const std::u16string under = dir / u"file" + kSep + u"out";
    const Result result = Mkkolo({u"-o", under, U16(skins)});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, u"");
#ifdef _WIN32
    const platform::SystemError notAFolder{3};  // ERROR_PATH_NOT_FOUND
#else
    const platform::SystemError notAFolder{ENOTDIR};
#endif
    EXPECT_EQ(result.err,
              u"无法创建输出文件夹 " + under + u": " + platform::Describe(notAFolder) + u"!\n");
}

#ifndef _WIN32
// The texts are in the locale's character set; the report for scripts is
// UTF-8 whatever the locale, and a name that Unicode cannot hold whole comes
// with its bytes.
TEST_F(MkkoloTest, PrintsInTheLocalesCharacterSetAndTheReportInUtf8) {
    Skin(skins, u"night", {u".xml", u".pxa"});
    Skin(skins, u"lone", {u".xml"});
    // 夜曲 in GBK, and a byte that begins no GBK character.
    const std::string odd = "\xD2\xB9\xC7\xFA\xFF", folder = skins.string() + "/";
    WriteBytes(folder + odd + ".xml", "<skin/>");
    WriteBytes(folder + odd + ".pxa", "PXA");
    testing_support::RunOptions gbk;
    gbk.environment = {{"LC_ALL", "zh_CN.GBK"}};
    auto result = testing_support::RunProgram("mkkolo", {u"-o", out, U16(skins)}, gbk);
    EXPECT_NE(result.output.find("\xc9\xfa\xb3\xc9KOLO\xce\xc4\xbc\xfe\xb3\xc9\xb9\xa6\xa3\xa1\n"),
              std::string::npos);

    const auto hex = [](const std::string& bytes) {
        std::string digits;
        for (const char byte : bytes) {
            digits += "0123456789abcdef"[static_cast<unsigned char>(byte) >> 4];
            digits += "0123456789abcdef"[byte & 0xF];
        }
        return digits;
    };
    const std::string outBytes = platform::Utf16ToUtf8(out);
    const struct {
        const char16_t* mode;
        const char *made, *failed;
    } runs[] = {{u"-n", "would make", "would fail"}, {u"-q", "made", "failed"}};
    for (const auto& run : runs) {
        result = testing_support::RunProgram("mkkolo",
                                             {u"--json", run.mode, u"-o", out, U16(skins)}, gbk);
        EXPECT_EQ(result.exitCode, 1);
        const auto report = nlohmann::json::parse(result.output);
        std::map<std::string, nlohmann::json> byName;
        for (const auto& skin : report.at("skins")) byName[skin.at("name")] = skin;
        ASSERT_EQ(byName.size(), 3u) << result.output;
        EXPECT_EQ(byName["night"].at("status"), run.made);
        const auto& lone = byName["lone"];
        EXPECT_EQ(lone.at("status"), run.failed);
        EXPECT_EQ(lone.at("errors").at(0).at("kind"), "missing_bundle");
        EXPECT_EQ(
            lone.at("message"),
            "打包【lone】失败,原因:缺少文件(需两个同名的PXA文件与XML文件)!\n皮肤【lone】只有 " +
                folder + "lone.xml, 缺少图像包(.pxa 或 .mbm)!");
        const auto& named = byName["夜曲\uFFFD"];
        EXPECT_EQ(named.at("name_bytes"), hex(odd));
        EXPECT_EQ(named.at("kolo_bytes"), hex(outBytes + "/" + odd + ".kolo"));
        EXPECT_EQ(named.at("inputs").at(0).at("path"), skins.string() + "/夜曲\uFFFD.pxa");
        EXPECT_EQ(named.at("inputs").at(0).at("path_bytes"), hex(folder + odd + ".pxa"));
        EXPECT_EQ(named.at("inputs").at(1).at("size"), 7);
    }
}

// Stopped at random moments: after SIGKILL only whole files stand at final
// names (and temporary ones beside them); after SIGINT nothing but whole
// .kolo files, and the run says what it did. KOLO_STOP_SEED=N repeats a run.
TEST_F(MkkoloTest, StoppedAtAnyMomentLeavesOnlyWholeFiles) {
    for (int i = 0; i < 6; ++i)
        Skin(skins, u"s" + platform::ToDecimal(i), {u".xml", u".pxa"}, 200000);
    Skin(skins, u"ember", {u".xml", u".mbm"}, 200000);
    const char* given = std::getenv("KOLO_STOP_SEED");
    const unsigned seed = given ? static_cast<unsigned>(std::stoul(given)) : std::random_device()();
    std::printf("KOLO_STOP_SEED=%u\n", seed);
    std::mt19937 random(seed);
    TempDir temp;
    Environment environment = {{"SOURCE_DATE_EPOCH", kEpoch}, {"TMPDIR", temp.path().string()}};
    const std::vector<std::u16string> args = {u"-j", u"2", u"-o", out, U16(skins)};

    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Mkkolo(args, environment).exitCode, 0);
    const auto whole = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    std::printf("an uninterrupted run takes %lld us\n", static_cast<long long>(whole.count()));
    const auto kolos = Contents(FsPath(out));
    ASSERT_EQ(kolos.size(), 7u);
    std::map<std::u16string, std::string> paks;
    for (const auto& [name, bytes] : kolos) {
        paks[name.substr(0, name.size() - 5) + u".pak"] =
            testing_support::ReadSingleEntry(FsPath(out + kSep + name)).value().data;
    }
    const auto isTemporary = [](const std::u16string& name) {
        return name.size() == 17 && name[0] == u'~' && name.compare(13, 4, u".tmp") == 0;
    };

    std::uniform_int_distribution<long long> moment(0, whole.count() * 6 / 5);
    for (const int signal : {SIGKILL, SIGINT}) {
        for (int round = 0; round < 30; ++round) {
            testing_support::RunOptions options;
            options.environment = environment;
            options.signal = signal;
            options.signalAfter = std::chrono::microseconds(moment(random));
            const auto result = testing_support::RunProgram("mkkolo", args, options);
            const auto after = " after " + std::to_string(options.signalAfter.count()) + " us";
            for (const auto& [name, bytes] : Contents(FsPath(out))) {
                const bool complete =
                    (kolos.count(name) && bytes == kolos.at(name)) ||
                    (signal == SIGKILL && paks.count(name) && bytes == paks.at(name));
                EXPECT_TRUE(complete || (signal == SIGKILL && isTemporary(name)))
                    << platform::Utf16ToUtf8(name) << " signal " << signal << after;
            }
            if (signal == SIGINT) {
                EXPECT_TRUE(fs::is_empty(temp.path())) << after;
                // Ended by the signal itself, it came before mkkolo started
                // to listen for it, when it had done nothing yet.
                if (result.exitCode != 0 && result.signal != SIGINT) {
                    EXPECT_EQ(result.exitCode, 130) << after;
                    EXPECT_NE(result.output.find("已中断: "), std::string::npos) << after;
                }
            }
        }
        // What the killed runs left goes before the stopped runs are checked.
        for (const fs::path& folder : {temp.path(), FsPath(out)}) {
            fs::remove_all(folder);
            fs::create_directory(folder);
        }
    }
}

// What -l, -t and -x print is their result: when it cannot be written,
// they say so and fail.
TEST_F(MkkoloTest, InspectionFailsWhenItsOutputCannotBeWritten) {
    Skin(skins, u"night", {u".xml", u".pxa"}, 100);
    ASSERT_EQ(Mkkolo({u"-o", out, U16(skins)}).exitCode, 0);
    const std::u16string kolo = out + kSep + u"night.kolo";
    testing_support::RunOptions full;
    full.outputTo = "/dev/full";
    for (const std::vector<std::u16string>& args : {std::vector<std::u16string>{u"-l", kolo},
                                                    {u"-t", kolo},
                                                    {u"-x", u"-o", dir / u"x", kolo}}) {
        const auto result = testing_support::RunProgram("mkkolo", args, full);
        EXPECT_EQ(result.exitCode, 1) << platform::Utf16ToUtf8(args[0]);
        EXPECT_EQ(result.errors, "写入标准输出失败: " + std::string(std::strerror(ENOSPC)) + "!\n");
    }
}

// A name is shown as it is into a pipe; on a terminal its control
// characters show as \xNN, so it can neither drive the terminal nor forge a
// line of its own.
TEST_F(MkkoloTest, NamesCannotDriveATerminal) {
    const std::u16string hostile = u"e\x1b]0;title\x07\x1b[2J\n生成KOLO文件成功！\x9b";
    const std::u16string shown = u"e\\x1B]0;title\\x07\\x1B[2J\\x0A生成KOLO文件成功！\\x9B";
    Skin(skins, hostile, {u".xml"});
    WriteBytes(skins / FsPath(hostile + u".pxa"), "");  // a warning names it too
    const std::u16string xml = U16(skins / FsPath(hostile + u".xml")),
                         pxa = U16(skins / FsPath(hostile + u".pxa")), gone = dir / hostile;
    const struct {
        const char* program;
        std::vector<std::u16string> args;
        std::size_t names;  // how many times the name appears
    } cases[] = {
        {"mkkolo", {u"-o", out, xml, pxa, gone}, 5},
        // The report escapes every control character; the texts, on
        // standard error, show the name as they do without it.
        {"mkkolo", {u"--json", u"-o", out, xml, pxa, gone}, 5},
        {"quill", {dir / u"p.pak", xml, gone}, 2},
    };
    for (const auto& c : cases) {
        testing_support::RunOptions options;
        options.environment = {{"LC_ALL", "C.UTF-8"}};
        const auto piped = testing_support::RunProgram(c.program, c.args, options);
        options.terminal = true;
        const auto terminal = testing_support::RunProgram(c.program, c.args, options);
        const std::u16string text = platform::Utf8ToUtf16(terminal.output);
        EXPECT_EQ(text.find_first_of(u"\x1b\x07\x9b"), std::u16string::npos) << c.program;
        std::size_t names = 0;
        for (std::size_t at = 0; (at = text.find(shown, at)) != std::u16string::npos; ++at) ++names;
        EXPECT_EQ(names, c.names) << c.program;
        // Into a pipe, the bytes are the name's own.
        const std::u16string raw =
            platform::Utf8ToUtf16(piped.output) + platform::Utf8ToUtf16(piped.errors);
        EXPECT_EQ(raw.find(shown), std::u16string::npos) << c.program;
        EXPECT_NE(raw.find(hostile), std::u16string::npos) << c.program;
    }
}

// On a terminal a status line says how far the run has come, drawn over
// itself at most ten times a second and erased before any other line and at
// the end; into a pipe, or with -q, none of it goes.
TEST_F(MkkoloTest, ProgressShowsOnATerminalOnly) {
    Skin(skins, u"big", {u".xml", u".pxa"}, 4 << 20);  // most of a second at level 12
    Skin(skins, u"small", {u".xml", u".pxa"});
    const std::vector<std::u16string> args = {u"-j1", u"--level", u"12", u"-o", out, U16(skins)};
    testing_support::RunOptions options;
    options.environment = {{"LC_ALL", "C.UTF-8"}, {"SOURCE_DATE_EPOCH", kEpoch}};
    const auto piped = testing_support::RunProgram("mkkolo", args, options);
    EXPECT_EQ(piped.errors, "");
    // A drawing: back to the start of the row, the line, the rest erased.
    const std::regex drawing("\r([^\r\n]*)\x1b\\[K"), overDrawn("\r[^\r\n]+\x1b\\[K([^\r]|$)");
    options.terminal = true;
    for (const bool quiet : {false, true}) {
        std::vector<std::u16string> run = args;
        if (quiet) run.push_back(u"-q");
        const auto start = std::chrono::steady_clock::now();
        const auto result = testing_support::RunProgram("mkkolo", run, options);
        const auto tenths =
            (std::chrono::steady_clock::now() - start) / std::chrono::milliseconds(100);
        EXPECT_EQ(result.exitCode, 0);
        std::vector<std::string> drawn;
        for (std::sregex_iterator it(result.output.begin(), result.output.end(), drawing), end;
             it != end; ++it) {
            if ((*it)[1].length() > 0) drawn.push_back((*it)[1]);
        }
        EXPECT_FALSE(std::regex_search(result.output, overDrawn)) << "a line over the status line";
        if (quiet) {
            EXPECT_EQ(drawn.size(), 0u);
            continue;
        }
        EXPECT_EQ(std::regex_replace(result.output, drawing, ""), piped.output);
        EXPECT_GE(drawn.size(), 2u);
        EXPECT_LE(drawn.size(), static_cast<std::size_t>(tenths));
        EXPECT_NE(std::find_if(drawn.begin(), drawn.end(),
                               [](const std::string& line) {
                                   return line.find("/2 【big】") != std::string::npos;
                               }),
                  drawn.end());
    }
}

// libdeflate cannot be stopped half way: a skin whose package it deflates
// when the request comes is deflated to its end, and then not committed.
TEST_F(MkkoloTest, StoppedWhileDeflatingCommitsNoArchive) {
    Skin(skins, u"big", {u".xml", u".pxa"}, 32 << 20);  // a few seconds at level 12
    fs::create_directories(FsPath(out));
    WriteBytes(FsPath(out + kSep + u"big.kolo"), "an earlier .kolo");
    testing_support::RunOptions options;
    options.signal = SIGINT;
    options.signalAfter = std::chrono::seconds(1);  // long after the inputs were read
    const auto result =
        testing_support::RunProgram("mkkolo", {u"--level", u"12", u"-o", out, U16(skins)}, options);
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_EQ(result.output.find("生成KOLO文件成功"), std::string::npos);
    EXPECT_EQ(Contents(FsPath(out)),
              (std::map<std::u16string, std::string>{{u"big.kolo", "an earlier .kolo"}}));
}

// However many workers are asked for, mkkolo holds no more files open than
// the system lets it: every skin is packed.
TEST_F(MkkoloTest, WorkersStayWithinTheOpenFileLimit) {
    for (int i = 0; i < 20; ++i) Skin(skins, u"s" + platform::ToDecimal(i), {u".xml", u".pxa"});
    testing_support::RunOptions options;
    options.environment = {{"LC_ALL", "C.UTF-8"}};
    options.maxOpenFiles = 24;
    const auto result =
        testing_support::RunProgram("mkkolo", {u"-j", u"64", u"-o", out, U16(skins)}, options);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(Names(FsPath(out)).size(), 20u);
}

// Volumes of their own need the right to mount (a root test run): root
// writes through permission bits, not into a read-only file system.
TEST_F(MkkoloTest, AReadOnlyOutputFolderFailsEverySkin) {
    testing_support::SmallVolume volume(dir.path() / "volume", "1m");
    if (!volume.MakeReadOnly()) GTEST_SKIP() << "cannot mount a read-only file system here";
    Skin(skins, u"night", {u".xml", u".pxa"});
    out = U16(volume.path());
    const Result result = Mkkolo({u"-o", out, U16(skins)});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              Summary({{U16(skins / "night.pxa"), 3000}, {U16(skins / "night.xml"), 3000}}) +
                  u"无法创建文件 " + out + kSep + u"night.kolo: Read-only file system!\n" +
                  u"生成KOLO文件:【night】 失败！\n" + NoneMade(u"night"));
    EXPECT_TRUE(Names(volume.path()).empty());

    // Nor can anything be extracted there: the system says why.
    const std::u16string pak = dir / u"night.pak";
    ASSERT_EQ(testing_support::RunProgram("quill", {pak, U16(skins / "night.xml")}).exitCode, 0);
    const Result extracted = Mkkolo({u"-x", u"-o", out, pak});
    EXPECT_EQ(extracted.exitCode, 1);
    EXPECT_EQ(extracted.err, u"无法创建文件 " + out + kSep + u"night.xml: " +
                                 platform::Describe(platform::SystemError{EROFS}) + u"!\n");
    EXPECT_TRUE(Names(volume.path()).empty());
}

TEST_F(MkkoloTest, AFullDiskFailsTheSkinThatDoesNotFitOnly) {
    testing_support::SmallVolume volume(dir.path() / "volume", "1m");
    if (!volume.mounted()) GTEST_SKIP() << "cannot mount a small file system here";
    Skin(skins, u"big", {u".xml", u".pxa"}, 1500000);
    Skin(skins, u"night", {u".xml", u".pxa"});
    Skin(skins, u"dawn", {u".xml", u".pxa"});
    out = U16(volume.path());
    // One worker: the big package's space is given back before the next.
    const Result result = Mkkolo({u"-j", u"1", u"-o", out, U16(skins)});
    EXPECT_EQ(result.exitCode, 1);
    const std::u16string big =
        Summary({{U16(skins / "big.pxa"), 1500000}, {U16(skins / "big.xml"), 1500000}}) +
        u"写入文件 " + out + kSep + u"big.kolo 失败, 磁盘空间不足!\n" +
        u"生成KOLO文件:【big】 失败！\n";
    EXPECT_NE(result.out.find(big), std::u16string::npos) << platform::Utf16ToUtf8(result.out);
    EXPECT_EQ(Names(volume.path()), (std::vector<std::u16string>{u"dawn.kolo", u"night.kolo"}));
}
#endif

}  // namespace

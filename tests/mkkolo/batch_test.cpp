// mkkolo's parts: results in job order whatever order the jobs finish in,
// chains never beside themselves, the progress line, the options' table.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include <nlohmann/json.hpp>

#include "mkkolo/batch.h"
#include "mkkolo/inputs.h"
#include "mkkolo/job_runner.h"
#include "mkkolo/json_report.h"
#include "mkkolo/options.h"
#include "mkkolo/text_report.h"
#include "mkkolo/watch.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace mkkolo {
namespace {

class RecordingListener final : public JobListener {
  public:
    void Deliver(std::size_t job) override { delivered.push_back(job); }
    void Finished(std::size_t count) override { finished.push_back(count); }
    void Tick(std::optional<std::size_t> underWay) override { ticks.push_back(underWay); }
    std::vector<std::size_t> delivered, finished;
    std::vector<std::optional<std::size_t>> ticks;
};

TEST(RunJobs, DeliversInJobOrderAndRunsAChainOneJobAtATime) {
    const std::vector<std::vector<std::size_t>> chains = {{0, 3, 6}, {1}, {2, 5}, {4}, {7}};
    const std::size_t chainOf[] = {0, 1, 2, 0, 3, 2, 0, 4};
    for (unsigned workers : {1u, 3u, 16u}) {
        std::atomic<int> running[5] = {};
        std::atomic<bool> overlapped{false};
        std::mutex mutex;
        std::vector<std::size_t> started;
        std::vector<bool> ran(8);
        RecordingListener listener;
        RunJobs(
            8, chains, workers,
            [&](std::size_t job) {
                if (running[chainOf[job]]++ != 0) overlapped = true;
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    started.push_back(job);
                }
                // Later jobs finish sooner.
                std::this_thread::sleep_for(std::chrono::milliseconds(2 * (8 - job)));
                --running[chainOf[job]];
                ran[job] = true;
            },
            listener);
        EXPECT_EQ(listener.delivered, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7}));
        EXPECT_EQ(ran, std::vector<bool>(8, true));
        EXPECT_TRUE(std::is_sorted(listener.finished.begin(), listener.finished.end()));
        EXPECT_EQ(listener.finished.back(), 8u);
        EXPECT_FALSE(overlapped) << workers;
        // Within a chain, in the chain's order.
        for (const auto& chain : chains) {
            std::vector<std::size_t> order;
            for (std::size_t job : started) {
                if (chainOf[job] == chainOf[chain.front()]) order.push_back(job);
            }
            EXPECT_EQ(order, chain);
        }
    }
}

// A tick every tenth of a second, never more often, names the first job
// under way.
TEST(RunJobs, TicksWithTheFirstJobUnderWay) {
    RecordingListener listener;
    const auto start = std::chrono::steady_clock::now();
    RunJobs(
        3, {{0}, {1}, {2}}, 2,
        [](std::size_t job) {
            std::this_thread::sleep_for(std::chrono::milliseconds(job == 1 ? 450 : 0));
        },
        listener);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(listener.ticks.size(), 2u);
    EXPECT_LE(listener.ticks.size(), static_cast<std::size_t>(elapsed / kTickInterval));
    for (const auto& underWay : listener.ticks) EXPECT_EQ(underWay, std::optional<std::size_t>(1));
}

// Names of one length that differ in more than case stay apart; letters
// outside ASCII fold too (final sigma to sigma).
TEST(ChainsOfSameFiles, JoinsNamesThatDifferInCaseOnly) {
    std::vector<pipeline::SkinJob> jobs;
    for (const char16_t* name : {u"Night", u"day", u"night", u"NIGHT", u"days", u"DAY", u"Nacht",
                                 u"ΣΑΣ", u"σας", u"Äther", u"äTHER", u"σασ"}) {
        jobs.push_back({name, u"", u""});
    }
    EXPECT_EQ(ChainsOfSameFiles(jobs), (std::vector<std::vector<std::size_t>>{
                                           {0, 2, 3}, {1, 5}, {4}, {6}, {7, 8, 11}, {9, 10}}));
}

// The status line names the first skin under way with its folder, and its
// share; a name's control characters show as \xNN.
TEST(TextReport, TheProgressLineNamesTheSkinAndItsShare) {
    const std::u16string sep(1, platform::kPathSeparator);
    const struct {
        std::optional<SkinUnderWay> skin;
        std::u16string line;
    } cases[] = {
        {std::nullopt, u"进度 3/10"},
        {SkinUnderWay{u"theme", u"red" + sep + u"dark", 0, 0},
         u"进度 3/10 【red" + sep + u"dark" + sep + u"theme】"},
        {SkinUnderWay{u"night", u"", 1000, 999}, u"进度 3/10 【night】 99%"},
        {SkinUnderWay{u"night", u"", 1000, 1000}, u"进度 3/10 【night】 压缩中"},
        {SkinUnderWay{u"e\x1b[2J", u"", 0, 0}, u"进度 3/10 【e\\x1B[2J】"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressLine(3, 10, c.skin).ForTerminal(), c.line)
            << platform::Utf16ToUtf8(c.line);
    }
}

// A round of a watch packs the skins with a file that the change names, as
// the scan found it before or finds it now, itself or by a folder that
// holds it, each in its own folder (-r); with them the skins of their
// .kolo's path in another letter case.
TEST(ChangedSkins, AreThoseWithAFileTheChangeNames) {
    const auto separated = [](std::u16string text) {
        std::replace(text.begin(), text.end(), u'/', platform::kPathSeparator);
        return text;
    };
    const auto path = [&](std::u16string_view name) {
        return separated(u"skins/" + std::u16string(name));
    };
    // The sets of files below skins/: its own, sub/ and red/.
    const auto scan = [&](std::initializer_list<const char16_t*> top) {
        InputScan found;
        found.sets.resize(3);
        for (const char16_t* name : top) found.sets[0].files.push_back({path(name), {}, {}});
        for (const char16_t* name : {u"sub/c.pxa", u"sub/c.xml"})
            found.sets[1].files.push_back({path(name), {}, {}});
        for (const char16_t* name : {u"red/a.pxa", u"red/a.xml"})
            found.sets[2].files.push_back({path(name), {}, {}});
        found.sets[1].folder = u"sub";
        found.sets[2].folder = u"red";
        return found;
    };
    const InputScan before = scan({u"a.pxa", u"a.xml", u"b.pxa", u"b.xml", u"Night.pxa",
                                   u"Night.xml", u"night.pxa", u"night.xml"});
    const InputScan now = scan({u"a.pxa", u"a.xml", u"b.xml", u"d.xml", u"Night.pxa", u"Night.xml",
                                u"night.pxa", u"night.xml"});
    std::vector<pipeline::Pairing> after;
    for (const InputSet& set : now.sets) {
        after.push_back(pipeline::PairSkins(set.files));
        after.back().folder = set.folder;
    }
    const struct {
        std::vector<const char16_t*> changed;
        bool everything;
        std::optional<std::set<std::u16string>> skins;
    } cases[] = {
        {{u"a.xml"}, false, {{u"a"}}},    // not red/a
        {{u"b.pxa"}, false, {{u"b"}}},    // deleted: the skin has lost its image
        {{u"d.xml"}, false, {{u"d"}}},    // new
        {{u"sub"}, false, {{u"sub/c"}}},  // a folder renamed, deleted or made
        {{u"red/a.pxa"}, false, {{u"red/a"}}},
        {{u"night.pxa", u"gone.xml"}, false, {{u"Night", u"night"}}},
        {{u"a", u"notes.txt", u"su"}, false, std::nullopt},  // no file of theirs
        {{}, true, {{u"a", u"b", u"sub/c", u"d", u"Night", u"night", u"red/a"}}},
    };
    for (const auto& c : cases) {
        platform::WatchResult change;
        for (const char16_t* name : c.changed) change.changed.push_back(path(name));
        change.everything = c.everything;
        const auto changed = ChangedSkins(after, before, now, change);
        ASSERT_EQ(changed.has_value(), c.skins.has_value());
        if (!changed) continue;
        std::set<std::u16string> wanted;
        for (const auto& name : *c.skins) wanted.insert(separated(name));
        std::vector<std::u16string> expected, got;
        for (const auto& pairing : after) {
            for (const auto& skin : pairing.skins) {
                const auto name = pipeline::NameBelowOutput(pairing.folder, skin.job.strName);
                if (wanted.count(name)) expected.push_back(name);
            }
        }
        for (const auto& pairing : *changed) {
            for (const auto& skin : pairing.skins)
                got.push_back(pipeline::NameBelowOutput(pairing.folder, skin.job.strName));
        }
        EXPECT_EQ(got, expected);
    }
}

// Every option in the table is in the usage text as a person spells it, in
// the forms of the command line and on a line of its own, and is read in
// each of its forms; the examples at the end are command lines that read.
TEST(Options, TheTableIsTheUsageAndWhatIsRead) {
    const std::u16string& usage = Usage();
    EXPECT_EQ(usage.substr(0, usage.find(u"\n  路径")),
              u"用法: mkkolo [-o 文件夹] [-j 并行数] [-q] [--level 级别] [-r] [--strict]\n"
              u"             [--json] 路径...\n"
              u"      mkkolo -w [-o 文件夹] [-j 并行数] [-q] [--level 级别] [-r] [--strict]\n"
              u"                路径...\n"
              u"      mkkolo -n [-o 文件夹] [-r] [--strict] [--json] 路径...\n"
              u"      mkkolo -l|-t [--strict] 文件...\n"
              u"      mkkolo -x [-o 文件夹] [--force] 文件...\n"
              u"      mkkolo -h|--version");
    std::istringstream examples(platform::Utf16ToUtf8(usage.substr(usage.find(u"\n例子:\n"))));
    std::size_t count = 0;
    for (std::string line; std::getline(examples, line);) {
        if (line.rfind("  mkkolo ", 0) != 0) continue;
        std::istringstream words(line.substr(9, line.find('>') - 9));
        std::vector<std::u16string> args;
        for (std::string word; words >> word;) args.push_back(platform::Utf8ToUtf16(word));
        platform::Message error;
        EXPECT_TRUE(ParseOptions(args, error)) << line;
        ++count;
    }
    EXPECT_EQ(count, 4u);
    const std::map<std::u16string_view, std::u16string> values = {
        {u"文件夹", u"out"}, {u"并行数", u"3"}, {u"级别", u"4"}};
    for (const OptionForm& form : OptionForms()) {
        const std::u16string name = u"--" + std::u16string(form.name);
        std::u16string spelled = name;
        if (!form.valueName.empty()) spelled += u"=" + std::u16string(form.valueName);
        const std::u16string line =
            (form.letter ? std::u16string{u'-', form.letter, u',', u' '} : u"    ") + spelled;
        EXPECT_NE(usage.find(u"\n  " + line + u" "), std::u16string::npos)
            << platform::Utf16ToUtf8(line);
        std::vector<std::vector<std::u16string>> spellings = {{name}};
        if (form.letter) spellings.push_back({std::u16string{u'-', form.letter}});
        for (std::vector<std::u16string> args : spellings) {
            if (!form.valueName.empty()) args.push_back(values.at(form.valueName));
            args.push_back(u"a");
            platform::Message error;
            EXPECT_TRUE(ParseOptions(args, error)) << platform::Utf16ToUtf8(error.Plain());
        }
    }
}

pipeline::SkinVerdict Verdict(const char16_t* name, pipeline::SkinStatus status,
                              std::vector<pipeline::Fault::Kind> kinds = {}) {
    pipeline::SkinVerdict verdict;
    verdict.name = name;
    verdict.first = {std::u16string(name) + u".xml", {}, 12};
    verdict.status = status;
    for (const pipeline::Fault::Kind kind : kinds) {
        pipeline::Fault fault;
        fault.kind = kind;
        fault.paths = {std::u16string(name) + u".xml"};
        verdict.faults.push_back(fault);
    }
    verdict.koloPath = std::u16string(name) + u".kolo";
    return verdict;
}

// The closing line and the report for scripts count the same verdicts: the
// skins made (with warnings among them), failed, and not packed.
TEST(RunReport, CountsTheVerdicts) {
    using Status = pipeline::SkinStatus;
    using Kind = pipeline::Fault::Kind;
    const std::vector<pipeline::SkinVerdict> verdicts = {
        Verdict(u"a", Status::kMade),
        Verdict(u"b", Status::kMadeWithWarnings, {Kind::kEmptyFile}),
        Verdict(u"c", Status::kRefused, {Kind::kMissingBundle}),
        Verdict(u"d", Status::kHeldBack, {Kind::kNotMultiBitmap, Kind::kHeldBack}),
        Verdict(u"e", Status::kFailed, {Kind::kKoloFailed}),
        Verdict(u"f", Status::kInterrupted),
    };
    EXPECT_EQ(ClosingLine(verdicts).Plain(),
              u"已完成: 2 个皮肤已生成, 其中 1 个有警告, 3 个失败: 【c】【d】【e】\n");
    EXPECT_EQ(ClosingLine({verdicts[0]}).Plain(), u"已完成: 1 个皮肤已生成, 0 个失败.\n");
    EXPECT_EQ(InterruptedLine(verdicts).Plain(),
              u"已中断: 2 个皮肤已生成, 3 个失败, 1 个未打包!\n");

    const auto report = nlohmann::json::parse(JsonReport(verdicts, false));
    EXPECT_EQ(report.at("made"), 2);
    EXPECT_EQ(report.at("failed"), 3);
    const struct {
        const char *status, *outcome;
        std::vector<const char*> warnings, errors;
        bool message;
    } skins[] = {
        {"made", "made", {}, {}, false},
        {"made", "made_with_warnings", {"empty_file"}, {}, false},
        {"failed", "refused", {}, {"missing_bundle"}, true},
        {"failed", "held_back", {"not_multi_bitmap"}, {"held_back"}, true},
        {"failed", "failed", {}, {"kolo_failed"}, true},
    };
    ASSERT_EQ(report.at("skins").size(), std::size(skins));  // not the one left undone
    for (std::size_t i = 0; i < std::size(skins); ++i) {
        const auto& skin = report.at("skins").at(i);
        EXPECT_EQ(skin.at("status"), skins[i].status);
        EXPECT_EQ(skin.at("outcome"), skins[i].outcome);
        std::vector<std::string> warnings, errors;
        for (const auto& warning : skin.at("warnings")) warnings.push_back(warning.at("kind"));
        for (const auto& error : skin.at("errors")) errors.push_back(error.at("kind"));
        EXPECT_EQ(warnings,
                  std::vector<std::string>(skins[i].warnings.begin(), skins[i].warnings.end()));
        EXPECT_EQ(errors, std::vector<std::string>(skins[i].errors.begin(), skins[i].errors.end()));
        EXPECT_EQ(skin.contains("message"), skins[i].message);
        EXPECT_EQ(skin.contains("kolo"), !skins[i].message);
    }
    // A dry run's words for the same.
    const auto dry =
        nlohmann::json::parse(JsonReport({Verdict(u"w", Status::kWouldMake), verdicts[2]}, true));
    EXPECT_EQ(dry.at("skins").at(0).at("status"), "would make");
    EXPECT_EQ(dry.at("skins").at(0).at("outcome"), "would_make");
    EXPECT_EQ(dry.at("skins").at(0).at("kolo"), "w.kolo");
    EXPECT_FALSE(dry.at("skins").at(0).contains("package_size"));
    EXPECT_EQ(dry.at("skins").at(1).at("status"), "would fail");
}

}  // namespace
}  // namespace mkkolo

// mkkolo's parts: results in job order whatever order the jobs finish in,
// chains never beside themselves, the progress line, the options' table.
#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <map>
#include <optional>
#include <set>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "mkkolo/batch.h"
#include "mkkolo/job_runner.h"
#include "mkkolo/options.h"
#include "mkkolo/watch.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"

namespace mkkolo {
namespace {

class RecordingListener final : public JobListener {
  public:
    void Deliver(std::size_t job, JobResult result) override {
        delivered.push_back(job);
        reports.push_back(result.report.Plain());
    }
    void Finished(std::size_t count) override { finished.push_back(count); }
    std::vector<std::size_t> delivered, finished;
    std::vector<std::u16string> reports;
};

TEST(RunJobs, DeliversInJobOrderAndRunsAChainOneJobAtATime) {
    const std::vector<std::vector<std::size_t>> chains = {{0, 3, 6}, {1}, {2, 5}, {4}, {7}};
    const std::size_t chainOf[] = {0, 1, 2, 0, 3, 2, 0, 4};
    for (unsigned workers : {1u, 3u, 16u}) {
        std::atomic<int> running[5] = {};
        std::atomic<bool> overlapped{false};
        std::mutex mutex;
        std::vector<std::size_t> started;
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
                return JobResult{platform::ToDecimal(job), JobResult::Status::kSucceeded, {}};
            },
            listener);
        EXPECT_EQ(listener.delivered, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7}));
        for (std::size_t job = 0; job < 8; ++job) {
            EXPECT_EQ(listener.reports[job], platform::ToDecimal(job));
        }
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

// Keeps what each stream got, and whether a report was printed over the
// progress line.
class ScriptedConsole final : public platform::Console {
  public:
    explicit ScriptedConsole(bool terminal) : m_bTerminal(terminal) {}
    void Out(const platform::Message& text) override {
        if (progressShown) reportOverProgress = true;
        out += text.Plain();
    }
    void Err(const platform::Message& text) override {
        err += text.Plain();
        progressShown = text.Plain().substr(0, 3) == u"\r进度";
    }
    bool ErrIsTerminal() const override { return m_bTerminal; }
    std::u16string out, err;
    bool progressShown = false, reportOverProgress = false;

  private:
    bool m_bTerminal;
};

TEST(PackBatch, ShowsProgressOnATerminalOnlyAndNeverUnderAReport) {
    testing_support::TempDir dir;
    Pairing jobs;
    for (const char16_t* name : {u"a", u"b", u"c"}) {
        const std::u16string path = dir / name;
        testing_support::WriteBytes(testing_support::FsPath(path + u".xml"), "<skin/>");
        testing_support::WriteBytes(testing_support::FsPath(path + u".pxa"), "PXA");
        jobs.jobs.push_back({name, path + u".xml", path + u".pxa"});
        jobs.files.push_back({pipeline::InputFile::LookAt(path + u".xml"),
                              pipeline::InputFile::LookAt(path + u".pxa")});
    }
    BatchSettings settings;
    settings.outputDir = testing_support::U16(dir.path());
    settings.workers = 2;
    ScriptedConsole terminal(true), pipe(false);
    EXPECT_EQ(PackBatch(jobs, settings, terminal).made, 3u);
    EXPECT_EQ(PackBatch(jobs, settings, pipe).made, 3u);
    EXPECT_EQ(terminal.out, pipe.out);
    EXPECT_EQ(pipe.err, u"");
    EXPECT_NE(terminal.err.find(u"\r进度 3/3"), std::u16string::npos);
    EXPECT_FALSE(terminal.progressShown);  // cleared at the end
    EXPECT_FALSE(terminal.reportOverProgress);
}

// A round of a watch packs the skins with a file that the change names, as
// the scan found it before or finds it now, itself or by a folder that
// holds it; with them the skins of their name in another letter case.
TEST(ChangedSkins, AreThoseWithAFileTheChangeNames) {
    const auto path = [](std::u16string_view name) {
        std::u16string inSkins = std::u16string(u"skins/") + std::u16string(name);
        std::replace(inSkins.begin(), inSkins.end(), u'/', platform::kPathSeparator);
        return inSkins;
    };
    const auto files = [&](std::initializer_list<const char16_t*> names) {
        std::list<pipeline::InputFile> list;
        for (const char16_t* name : names) list.push_back({path(name), {}, {}});
        return list;
    };
    const auto before = files({u"a.pxa", u"a.xml", u"b.pxa", u"b.xml", u"Night.pxa", u"Night.xml",
                               u"night.pxa", u"night.xml", u"sub/c.pxa", u"sub/c.xml"});
    const auto now = files({u"a.pxa", u"a.xml", u"b.xml", u"d.xml", u"Night.pxa", u"Night.xml",
                            u"night.pxa", u"night.xml", u"sub/c.pxa", u"sub/c.xml"});
    const Pairing after = PairSkins(now);
    const struct {
        std::vector<const char16_t*> changed;
        bool everything;
        std::optional<std::set<std::u16string>> skins;
    } cases[] = {
        {{u"a.xml"}, false, {{u"a"}}},
        {{u"b.pxa"}, false, {{u"b"}}},  // deleted: the skin has lost its image
        {{u"d.xml"}, false, {{u"d"}}},  // new
        {{u"sub"}, false, {{u"c"}}},    // a folder renamed, deleted or made
        {{u"night.pxa", u"gone.xml"}, false, {{u"Night", u"night"}}},
        {{u"a", u"notes.txt", u"su"}, false, std::nullopt},  // no file of theirs
        {{}, true, {{u"a", u"b", u"c", u"d", u"Night", u"night"}}},
    };
    for (const auto& c : cases) {
        platform::WatchResult change;
        for (const char16_t* name : c.changed) change.changed.push_back(path(name));
        change.everything = c.everything;
        const std::optional<Pairing> changed = ChangedSkins(after, before, now, change);
        ASSERT_EQ(changed.has_value(), c.skins.has_value());
        if (!changed) continue;
        std::vector<std::u16string> expected, got;
        for (const auto& job : after.jobs) {
            if (c.skins->count(job.strName)) expected.push_back(job.strName);
        }
        for (const auto& job : changed->jobs) got.push_back(job.strName);
        EXPECT_EQ(got, expected);
        ASSERT_EQ(changed->files.size(), got.size());
        ASSERT_EQ(changed->warnings.size(), got.size());
    }
}

// Every option in the table is in the usage text as a person spells it, and
// is read in each of its forms; the first line is what the README shows.
TEST(Options, TheTableIsTheUsageAndWhatIsRead) {
    const std::u16string& usage = Usage();
    EXPECT_EQ(usage.substr(0, usage.find(u'\n')),
              u"用法: mkkolo [-o 输出文件夹] [-j 并行数] [-q] [--level 级别] 路径...");
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

}  // namespace
}  // namespace mkkolo

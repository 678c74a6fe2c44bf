#include "platform/file_watch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/interrupt.h"
#include "platform/paths.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Status = WatchResult::Status;

// Long enough for a loaded machine, or Wine, to hand on all of a change
// within it; only a fault reaches the limit.
constexpr auto kQuiet = 300ms;
constexpr auto kLimit = 60s;

// A temporary folder holding skins/a.xml, skins/b.xml, skins/sub/c.xml and,
// beside skins, other/x.xml.
struct Skins {
    testing_support::TempDir dir;

    Skins() {
        fs::create_directories(dir.path() / "skins" / "sub");
        fs::create_directories(dir.path() / "other");
        for (const char* name : {"skins/a.xml", "skins/b.xml", "skins/sub/c.xml", "other/x.xml"}) {
            Write(name);
        }
    }
    fs::path At(const char* relative) const { return dir.path() / relative; }
    void Write(const char* relative) const { testing_support::WriteBytes(At(relative), "<skin/>"); }
    // A path inside, written with "/", as the watch names it.
    std::u16string operator/(std::u16string_view relative) const {
        std::u16string path = testing_support::U16(dir.path()) + kPathSeparator;
        for (const char16_t c : relative) path += c == u'/' ? kPathSeparator : c;
        return path;
    }
    std::vector<std::u16string> Paths(const std::vector<std::u16string>& relative) const {
        std::vector<std::u16string> paths;
        for (const auto& path : relative) paths.push_back(*this / path);
        std::sort(paths.begin(), paths.end());
        return paths;
    }
};

std::vector<std::u16string> Sorted(std::vector<std::u16string> paths) {
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Renames enough to overflow what the system keeps of changes between two
// reads: Linux's queue of 16384 events by default, Windows' 64 KiB buffer of
// names (each rename takes two of either).
#ifdef _WIN32
constexpr int kOverflowingRenames = 3000;
#else
constexpr int kOverflowingRenames = 10000;
#endif

struct Round {
    std::function<void(const Skins&)> change;
    std::vector<std::u16string> expected;
    bool everything = false;  // changes lost: only that is told for sure
};

struct ChangeCase {
    const char* what;
    std::vector<std::u16string> watched;
    bool recursive;
    std::vector<Round> rounds;  // each one change and one wait
    std::function<void(const Skins&)> before = nullptr;
};

const ChangeCase kChangeCases[] = {
    {"a watched file written, not its sibling",
     {u"skins/a.xml"},
     false,
     {{[](const Skins& s) {
           s.Write("skins/b.xml");
           s.Write("skins/a.xml");
       },
       {u"skins/a.xml"}}}},
    {"a file saved as editors do: a new one renamed over it",
     {u"skins/a.xml"},
     false,
     {{[](const Skins& s) {
           s.Write("skins/a.xml.tmp");
           fs::rename(s.At("skins/a.xml.tmp"), s.At("skins/a.xml"));
       },
       {u"skins/a.xml"}}}},
    {"files made and deleted in a watched folder, not in the folder inside",
     {u"skins"},
     false,
     {{[](const Skins& s) {
           s.Write("skins/sub/c.xml");
           s.Write("skins/new.pxa");
           fs::remove(s.At("skins/b.xml"));
       },
       {u"skins/new.pxa", u"skins/b.xml"}}}},
    {"one folder in two spellings, each told in its own",
     {u"skins", u"skins/./", u"skins/b.xml"},
     false,
     {{[](const Skins& s) { s.Write("skins/a.xml"); }, {u"skins/a.xml", u"skins/./a.xml"}}}},
#ifdef _WIN32
    // Wine watches only the folders made after the watch began.
    {"a recursive watch: a folder made inside is watched too",
     {u"skins"},
     true,
     {{[](const Skins& s) { fs::create_directory(s.At("skins/new")); }, {u"skins/new"}},
      {[](const Skins& s) { s.Write("skins/new/d.xml"); }, {u"skins/new/d.xml"}}}},
#else
    {"a recursive watch: folders inside, and those made there, but not links to folders",
     {u"skins"},
     true,
     {{[](const Skins& s) { fs::create_directory(s.At("skins/new")); }, {u"skins/new"}},
      {[](const Skins& s) {
           s.Write("other/x.xml");
           s.Write("skins/new/d.xml");
           s.Write("skins/sub/c.xml");
       },
       {u"skins/new/d.xml", u"skins/sub/c.xml"}}},
     [](const Skins& s) { fs::create_directory_symlink(s.At("other"), s.At("skins/link")); }},
#endif
    {"more changes than the system keeps",
     {u"skins"},
     false,
     {{[](const Skins& s) {
           for (int i = 0; i < kOverflowingRenames / 2; ++i) {
               fs::rename(s.At("skins/a.xml"), s.At("skins/c.xml"));
               fs::rename(s.At("skins/c.xml"), s.At("skins/a.xml"));
           }
       },
       {},
       true}}},
};

TEST(FileWatch, TellsTheChangesOfWhatIsWatched) {
    for (const auto& c : kChangeCases) {
        SCOPED_TRACE(c.what);
        const Skins skins;
        if (c.before) c.before(skins);
        std::vector<WatchedPath> watched;
        for (const auto& path : c.watched) watched.push_back({skins / path, c.recursive});
        std::vector<WatchFailure> failures;
        FileWatch watch(watched, &failures);
        ASSERT_TRUE(failures.empty());
        for (const auto& round : c.rounds) {
            round.change(skins);
            const WatchResult result = watch.Wait({kQuiet, {}, kLimit});
            EXPECT_EQ(result.status, Status::kChanged);
            EXPECT_EQ(result.everything, round.everything);
            if (!round.everything) {
                EXPECT_EQ(Sorted(result.changed), skins.Paths(round.expected));
            }
            EXPECT_TRUE(result.failures.empty());
        }
    }
}

// Changes that follow each other more closely than the quiet moment come as
// one result: after the last of them, or after the longest wait while they
// go on. Changes that do not count neither start nor prolong a wait.
TEST(FileWatch, GathersABurstIntoOneResult) {
    const auto onlyA = [](const std::u16string& path) { return FindFileName(path) == u"a.xml"; };
    const struct {
        const char* what;
        const char* once;      // written first in skins/, if given
        const char* repeated;  // then written every 50 ms
        int times;
        WaitRules rules;
        bool overBeforeResult;
    } cases[] = {
        {"a burst", nullptr, "a.xml", 5, {1s, {}, kLimit}, true},
        {"past the longest wait", nullptr, "a.xml", 30, {kQuiet, 300ms, kLimit}, false},
        {"uncounted after counted", "a.xml", "b.xml", 30, {kQuiet, {}, kLimit, onlyA}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Skins skins;
        FileWatch watch({{skins / u"skins"}});
        const auto write = [&](const char* name) {
            skins.Write(("skins/" + std::string(name)).c_str());
        };
        std::atomic<bool> burstOver{false};
        std::thread writer([&] {
            if (c.once) write(c.once);
            for (int i = 0; i < c.times; ++i) {
                if (i > 0) std::this_thread::sleep_for(50ms);
                write(c.repeated);
            }
            burstOver = true;
        });
        const WatchResult result = watch.Wait(c.rules);
        const bool overBeforeResult = burstOver;
        writer.join();
        EXPECT_EQ(result.status, Status::kChanged);
        EXPECT_EQ(overBeforeResult, c.overBeforeResult);
        EXPECT_EQ(result.changed, skins.Paths({u"skins/a.xml"}));
    }
}

TEST(FileWatch, TellsWhatCannotBeWatchedWithTheSystemsReason) {
    const Skins skins;
    std::vector<WatchFailure> failures;
    FileWatch watch({{skins / u"missing/a.xml"}, {skins / u"skins/sub"}}, &failures);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].path, skins / u"missing/a.xml");
    EXPECT_FALSE(Describe(failures[0].error).empty());

    if (testing_support::RunningUnderWine()) {
        GTEST_SKIP() << "Wine keeps a deleted folder while it is watched and tells nobody";
    }
    fs::remove_all(skins.At("skins/sub"));
    const WatchResult result = watch.Wait({kQuiet, {}, kLimit});
    EXPECT_EQ(result.status, Status::kChanged);
    EXPECT_EQ(result.changed, skins.Paths({u"skins/sub/c.xml"}));
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].path, skins / u"skins/sub");
    EXPECT_FALSE(Describe(result.failures[0].error).empty());
    EXPECT_EQ(watch.Wait({kQuiet, {}, kLimit}).status, Status::kNothingWatched);
}

// In a child of its own: the request stays for the rest of the program.
TEST(FileWatchDeathTest, ARequestToStopEndsAWaitWithoutLimit) {
    const auto waitUntilStopped = [] {
        CatchInterrupts();
        const Skins skins;
        FileWatch watch({{skins / u"skins"}});
        // Ends the child should the wait never end.
        std::thread([] {
            std::this_thread::sleep_for(kLimit);
            std::_Exit(2);
        }).detach();
        std::thread stopper([] {
            std::this_thread::sleep_for(100ms);
            testing_support::SendCtrlC();
        });
        const WatchResult result = watch.Wait({kQuiet});
        stopper.join();
        std::_Exit(result.status == Status::kStopped && InterruptRequested() ? 0 : 1);
    };
    EXPECT_EXIT(waitUntilStopped(), testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace platform

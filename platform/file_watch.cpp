#include "platform/file_watch.h"

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "platform/file_watch_system.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/paths.h"

namespace platform {
namespace {

// A watched path as the folder the system watches for it sees it.
struct Target {
    std::u16string given;
    std::u16string name;  // a file's name in the folder; empty for the folder itself
    bool recursive = false;
};

std::u16string Join(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    if (!path.empty() && !IsPathSeparator(path.back())) path += kPathSeparator;
    return path.append(name);
}

// What a change of `name` in the folder changed of the target, if anything.
std::optional<std::u16string> ChangedPath(const Target& target, std::u16string_view name) {
    if (!target.name.empty()) {
        if (!SameEntryName(name, target.name)) return std::nullopt;
        return target.given;
    }
    if (!target.recursive && std::any_of(name.begin(), name.end(), IsPathSeparator)) {
        return std::nullopt;
    }
    return Join(target.given, name);
}

}  // namespace

struct FileWatch::State {
    FolderWatcher watcher;
    // The paths each folder the system watches serves, numbered as added;
    // none once the folder is lost.
    std::vector<std::vector<Target>> folders;

    bool Watching() const {
        return std::any_of(folders.begin(), folders.end(),
                           [](const auto& targets) { return !targets.empty(); });
    }

    // Adds what the system reported to `result`; true when any of it counts
    // as a change of a watched path.
    bool Take(const FolderEvents& events, const WaitRules& rules, WatchResult& result,
              std::set<std::u16string>& seen) {
        bool counted = events.overflow;
        result.everything = result.everything || events.overflow;
        for (const auto& change : events.changes) {
            for (const auto& target : folders[change.folder]) {
                std::optional<std::u16string> path = ChangedPath(target, change.name);
                if (!path || (rules.counts && !rules.counts(*path))) continue;
                counted = true;
                if (seen.insert(*path).second) result.changed.push_back(std::move(*path));
            }
        }
        for (const auto& [folder, error] : events.lost) {
            for (const auto& target : folders[folder]) {
                result.failures.push_back({target.given, error});
                counted = true;
            }
            folders[folder].clear();
        }
        return counted;
    }
};

// Paths in one folder, however spelled, share the system's watch on it:
// each is told the folder's changes in its own spelling.
FileWatch::FileWatch(const std::vector<WatchedPath>& paths, std::vector<WatchFailure>* failures)
    : m_state(std::make_unique<State>()) {
    struct Group {
        std::u16string folder;
        bool recursive = false;
        std::vector<Target> targets;
    };
    std::vector<Group> groups;
    std::map<FileIdentity, std::size_t> byIdentity;
    for (const auto& watched : paths) {
        const bool isFolder = KindOfPath(watched.path) == PathKind::kFolder;
        const std::u16string_view named = isFolder ? watched.path : FolderOf(watched.path);
        const std::u16string folder(named.empty() ? std::u16string_view(u".") : named);
        std::size_t group = groups.size();
        // A folder that cannot be asked for its identity is watched alone,
        // so the system tells why it cannot be watched.
        if (const std::optional<FileIdentity> identity = IdentityOf(folder)) {
            group = byIdentity.emplace(*identity, group).first->second;
        }
        if (group == groups.size()) groups.push_back({folder, false, {}});
        groups[group].recursive = groups[group].recursive || (isFolder && watched.recursive);
        groups[group].targets.push_back(
            {watched.path, isFolder ? u"" : std::u16string(FindFileName(watched.path)),
             isFolder && watched.recursive});
    }
    for (auto& group : groups) {
        SystemError error;
        if (m_state->watcher.Add(m_state->folders.size(), group.folder, group.recursive, error)) {
            m_state->folders.push_back(std::move(group.targets));
        } else if (failures) {
            for (const auto& target : group.targets) failures->push_back({target.given, error});
        }
    }
}

FileWatch::~FileWatch() = default;

WatchResult FileWatch::Wait(const WaitRules& rules) {
    using Clock = std::chrono::steady_clock;
    WatchResult result;
    std::set<std::u16string> seen;
    // Until the first change, the end of the limit; from then on, the end of
    // the quiet moment after the latest change, but not past the longest
    // wait after the first.
    std::optional<Clock::time_point> deadline, longest;
    if (rules.limit) deadline = Clock::now() + *rules.limit;
    bool changed = false;
    for (;;) {
        if (InterruptRequested()) {
            result.status = WatchResult::Status::kStopped;
            return result;
        }
        if (!changed && !m_state->Watching()) {
            result.status = WatchResult::Status::kNothingWatched;
            return result;
        }
        std::optional<std::chrono::milliseconds> timeout;
        if (deadline) {
            timeout =
                std::max(std::chrono::milliseconds(0),
                         std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()));
        }
        const FolderEvents events = m_state->watcher.Wait(timeout);
        if (events.stopped) {
            result.status = WatchResult::Status::kStopped;
            return result;
        }
        if (m_state->Take(events, rules, result, seen)) {
            const Clock::time_point now = Clock::now();
            if (!changed && rules.longest) longest = now + *rules.longest;
            changed = true;
            deadline = longest ? std::min(now + rules.quiet, *longest) : now + rules.quiet;
        }
        if (deadline && Clock::now() >= *deadline) {
            result.status =
                changed ? WatchResult::Status::kChanged : WatchResult::Status::kTimedOut;
            return result;
        }
    }
}

}  // namespace platform

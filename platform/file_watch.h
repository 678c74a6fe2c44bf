// Watching files and folders for changes, so that what is made from them can
// be made again when they change.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/system_error.h"

namespace platform {

// A file or a folder to watch.
struct WatchedPath {
    std::u16string path;
    // For a folder: the folders inside it too, at any depth. Links to
    // folders are not followed.
    bool recursive = false;
};

// A path that cannot be watched, or can be no longer, and the system's reason.
struct WatchFailure {
    std::u16string path;  // as it was given
    SystemError error;
};

struct WatchResult {
    enum class Status {
        kChanged,         // changes came, then a quiet moment
        kTimedOut,        // nothing changed within the limit
        kStopped,         // a request to stop came (see interrupt.h)
        kNothingWatched,  // no path is watched any more, so nothing can change
    };
    Status status = Status::kTimedOut;
    // Each changed path once, in the order first seen: a watched file as it
    // was given; in a watched folder, the folder as it was given, a separator
    // and the name inside (in a recursive watch with the folders between). A
    // path may name a folder that was created, deleted or renamed: then
    // anything in it may have changed.
    std::vector<std::u16string> changed;
    // Changes were lost (the system could not keep up): anything watched may
    // have changed.
    bool everything = false;
    // Watched paths that can be watched no longer (their folder was deleted
    // or moved away), each with the system's reason. They are left out from
    // now on.
    std::vector<WatchFailure> failures;
};

// How a wait gathers changes into one result.
struct WaitRules {
    // How long no further change must come before the wait ends.
    std::chrono::milliseconds quiet{};
    // The longest a wait goes on after its first change, however often
    // further changes come; none: as long as they come.
    std::optional<std::chrono::milliseconds> longest = std::nullopt;
    // How long to wait for a first change before giving up; none: as long
    // as it takes.
    std::optional<std::chrono::milliseconds> limit = std::nullopt;
    // Which changed paths (as WatchResult names them) count: the others
    // neither start nor prolong a wait, and are not told. All count when
    // none is given.
    std::function<bool(const std::u16string& path)> counts = nullptr;
};

// Watches files and folders. A file is watched through its folder, filtered
// to its name, so that a file renamed over it (as editors save) is a change
// of it; a path where nothing is yet is watched as a file that may be made.
// A folder's changes are the files and folders created, written, deleted or
// renamed in it; its own times and attributes changing is none. Changes that
// come between waits are kept for the next one.
//
// Use it on one thread, the one that made it: that is where Windows delivers
// its changes.
class FileWatch {
  public:
    // Starts watching. A path that cannot be watched (one in a missing
    // folder, a folder the system refuses, its limit on watches reached) is
    // left out and told in `failures`.
    explicit FileWatch(const std::vector<WatchedPath>& paths,
                       std::vector<WatchFailure>* failures = nullptr);
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // Waits until something changes, then on as the rules say, and tells
    // what changed in all that time. A request to stop (see interrupt.h)
    // ends the wait at once, whatever changed.
    WatchResult Wait(const WaitRules& rules);

  private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace platform

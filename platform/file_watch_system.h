// For file_watch.cpp alone: the system's side of watching, folder by folder.
// It reports names as the system gives them; which of them count, and for
// which watched path, is decided in one place for every system.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/system_error.h"

namespace platform {

// What the system reported during one wait.
struct FolderEvents {
    struct Change {
        std::size_t folder;  // as numbered in FolderWatcher::Add
        // Inside the folder, with the system's separator between folders.
        std::u16string name;
    };
    std::vector<Change> changes;
    // Folders that are watched no longer, and why.
    std::vector<std::pair<std::size_t, SystemError>> lost;
    bool overflow = false;  // changes were lost
    bool stopped = false;   // a request to stop came
};

class FolderWatcher {
  public:
    FolderWatcher();
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // Starts watching a folder, with `recursive` the folders inside it too;
    // its changes come numbered `folder`. False when it cannot be watched,
    // and `error` tells why.
    bool Add(std::size_t folder, std::u16string_view path, bool recursive, SystemError& error);

    // Waits up to `timeout` (without one, as long as it takes) until the
    // system reports something or a request to stop comes. What comes may
    // be nothing: a timeout, or a report that held no change.
    FolderEvents Wait(std::optional<std::chrono::milliseconds> timeout);

  private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Whether two names in one folder name the same entry: on Windows ignoring
// letter case, as its file systems do.
bool SameEntryName(std::u16string_view a, std::u16string_view b);

}  // namespace platform

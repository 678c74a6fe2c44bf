#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_watch_system.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/text.h"

namespace platform {
namespace {

// Entries made, written, deleted, renamed or given new times or attributes
// (a touch), and the folder itself deleted or moved away.
constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                IN_ONLYDIR;
// What changes a folder inside as an entry; the rest are its times and
// attributes, which change as its own entries do.
constexpr std::uint32_t kEntryEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

// A folder inside a watched one that the watch need not, or cannot, go into:
// a file, a link, something gone meanwhile.
bool NotAFolderNow(const SystemError& error) {
    return IsMissing(error);
}

}  // namespace

struct FolderWatcher::State {
    // Where a watch reports: a watched folder, or (with a prefix such as
    // "sub/deeper/") a folder inside one that is watched recursively.
    struct Place {
        std::size_t folder;
        std::string prefix;
    };
    struct Root {
        std::string path;
        bool recursive = false;
    };

    int fd = -1;
    SystemError openError;
    std::map<std::size_t, Root> roots;
    // The system gives one watch for a folder however often it is added, so
    // one watch can report for several places.
    std::map<int, std::vector<Place>> places;

    // Watches the folder at `path` as `prefix` of the root numbered `folder`,
    // and those inside it when the root is recursive. Links are followed only
    // to the root itself: it was named.
    bool Watch(std::size_t folder, const std::string& path, const std::string& prefix,
               SystemError& error) {
        const std::uint32_t follow = prefix.empty() ? 0 : IN_DONT_FOLLOW;
        const int watch = inotify_add_watch(fd, path.c_str(), kMask | follow);
        if (watch < 0) {
            error = LastSystemError();
            return false;
        }
        places[watch].push_back({folder, prefix});
        return !roots.at(folder).recursive || WatchInside(folder, path, prefix, error);
    }

    bool WatchInside(std::size_t folder, const std::string& path, const std::string& prefix,
                     SystemError& error) {
        const auto entries = ListFolderEntries(FromThreadAnsi(path));
        if (!entries) {
            if (NotAFolderNow(entries.error())) return true;
            error = entries.error();
            return false;
        }
        for (const FolderEntry& entry : *entries) {
            // Only a folder takes a watch (links are not followed); where the
            // listing does not tell, the watch itself finds out.
            if (entry.kind != EntryKind::kFolder && entry.kind != EntryKind::kUnknown) continue;
            const std::string native = ToThreadAnsi(entry.name);
            SystemError inner;
            if (!Watch(folder, path + '/' + native, prefix + native + '/', inner) &&
                !NotAFolderNow(inner)) {
                error = inner;
                return false;
            }
        }
        return true;
    }

    // Stops watching the places of a root at `prefix` and below it; with an
    // empty prefix, all of them.
    void Forget(std::size_t folder, const std::string& prefix) {
        for (auto it = places.begin(); it != places.end();) {
            auto& at = it->second;
            at.erase(std::remove_if(at.begin(), at.end(),
                                    [&](const Place& place) {
                                        return place.folder == folder &&
                                               place.prefix.compare(0, prefix.size(), prefix) == 0;
                                    }),
                     at.end());
            if (!at.empty()) {
                ++it;
                continue;
            }
            inotify_rm_watch(fd, it->first);
            it = places.erase(it);
        }
    }

    // A root has gone from its path: deleted, moved away, or its file system
    // unmounted. Why, as the system tells it for the path now.
    void Lose(std::size_t folder, FolderEvents& events) {
        Forget(folder, {});
        struct stat info;
        const bool stands = stat(roots.at(folder).path.c_str(), &info) == 0;
        events.lost.emplace_back(folder, stands ? SystemError{ENOENT} : LastSystemError());
    }

    void Handle(const inotify_event& event, FolderEvents& events) {
        if (event.mask & IN_Q_OVERFLOW) {
            events.overflow = true;
            return;
        }
        const auto found = places.find(event.wd);
        if (found == places.end()) return;            // a watch already forgotten
        const std::vector<Place> at = found->second;  // handling may change the map
        if (event.mask & (IN_IGNORED | IN_MOVE_SELF)) {
            // A folder inside a root is told of by the folder above it.
            for (const auto& place : at) {
                if (place.prefix.empty()) Lose(place.folder, events);
            }
            if (event.mask & IN_IGNORED) places.erase(event.wd);
            return;
        }
        if (event.len == 0) return;  // the folder's own times or attributes
        const bool isFolder = (event.mask & IN_ISDIR) != 0;
        if (isFolder && !(event.mask & kEntryEvents)) return;
        for (const auto& place : at) {
            const std::string relative = place.prefix + event.name;
            const Root& root = roots.at(place.folder);
            if (isFolder && root.recursive) {
                // Whatever was watched by this name is gone from it; a
                // folder that comes by the name is watched from now on.
                Forget(place.folder, relative + '/');
                SystemError error;
                if ((event.mask & (IN_CREATE | IN_MOVED_TO)) &&
                    !Watch(place.folder, root.path + '/' + relative, relative + '/', error) &&
                    !NotAFolderNow(error)) {
                    Forget(place.folder, {});
                    events.lost.emplace_back(place.folder, error);
                    continue;
                }
            }
            events.changes.push_back({place.folder, FromThreadAnsi(relative)});
        }
    }

    void ReadEvents(FolderEvents& events) {
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got <= 0) return;  // all read (the descriptor does not block)
            for (const char* p = buffer; p < buffer + got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                Handle(*event, events);
                p += sizeof(inotify_event) + event->len;
            }
        }
    }
};

FolderWatcher::FolderWatcher() : m_state(std::make_unique<State>()) {
    m_state->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_state->fd < 0) m_state->openError = LastSystemError();
}

FolderWatcher::~FolderWatcher() {
    if (m_state->fd >= 0) close(m_state->fd);
}

bool FolderWatcher::Add(std::size_t folder, std::u16string_view path, bool recursive,
                        SystemError& error) {
    if (m_state->fd < 0) {
        error = m_state->openError;
        return false;
    }
    m_state->roots[folder] = {ToThreadAnsi(path), recursive};
    if (m_state->Watch(folder, m_state->roots[folder].path, {}, error)) return true;
    m_state->Forget(folder, {});
    return false;
}

FolderEvents FolderWatcher::Wait(std::optional<std::chrono::milliseconds> timeout) {
    FolderEvents events;
    pollfd waits[] = {{m_state->fd, POLLIN, 0},
                      {static_cast<int>(InterruptWaitHandle()), POLLIN, 0}};
    const int milliseconds =
        timeout
            ? static_cast<int>(std::min<std::chrono::milliseconds::rep>(timeout->count(), INT_MAX))
            : -1;
    // A signal that interrupts the wait ends it with nothing: the caller
    // looks at the request and waits on.
    if (poll(waits, 2, milliseconds) <= 0) return events;
    if (waits[1].revents != 0) {
        events.stopped = true;
    } else if (waits[0].revents & POLLIN) {
        m_state->ReadEvents(events);
    }
    return events;
}

bool SameEntryName(std::u16string_view a, std::u16string_view b) {
    return a == b;
}

}  // namespace platform

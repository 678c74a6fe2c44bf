#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_watch_system.h"
#include "platform/interrupt.h"
#include "platform/scoped_handle_win32.h"
#include "platform/text.h"
#include "platform/wide.h"

namespace platform {
namespace {

// Entries made, renamed, deleted, written, touched or given new attributes.
constexpr DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                          FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                          FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_CREATION;
// What the system keeps of a folder's changes until they are asked for again;
// more is an overflow. 64 KiB is the most a network share takes.
constexpr DWORD kBufferSize = 64 * 1024;

}  // namespace

// Each folder has one request outstanding. Its completion routine runs on
// this thread while it waits alertably, collects what came, and asks again.
struct FolderWatcher::State {
    struct Folder {
        State* state = nullptr;
        std::size_t index = 0;
        std::wstring path;
        bool recursive = false;
        ScopedHandle handle;
        OVERLAPPED overlapped{};
        std::vector<DWORD> buffer = std::vector<DWORD>(kBufferSize / sizeof(DWORD));
        bool pending = false;
    };
    std::vector<std::unique_ptr<Folder>> folders;
    FolderEvents collected;  // what came since the last wait
    bool closing = false;

    bool HasCollected() const {
        return !collected.changes.empty() || !collected.lost.empty() || collected.overflow;
    }

    static bool Request(Folder& folder) {
        folder.overlapped = {};
        folder.overlapped.hEvent = &folder;  // not used by the system with a completion routine
        folder.pending = ReadDirectoryChangesW(folder.handle.get(), folder.buffer.data(),
                                               kBufferSize, folder.recursive, kFilter, nullptr,
                                               &folder.overlapped, Completed) != FALSE;
        return folder.pending;
    }

    static bool Open(Folder& folder, SystemError& error) {
        *folder.handle.out() =
            CreateFileW(folder.path.c_str(), FILE_LIST_DIRECTORY,
                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        if (folder.handle && Request(folder)) return true;
        error = LastSystemError();
        folder.handle.Close();
        return false;
    }

    // A folder's own times change as its entries do: that is no change of it.
    static bool IsFolderTimes(const Folder& folder, const FILE_NOTIFY_INFORMATION& info,
                              const std::wstring& name) {
        if (info.Action != FILE_ACTION_MODIFIED) return false;
        std::wstring path = folder.path;
        if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
        const DWORD attributes = GetFileAttributesW((path + name).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    static void Collect(const Folder& folder, DWORD bytes, FolderEvents& events) {
        const char* entry = reinterpret_cast<const char*>(folder.buffer.data());
        const char* const end = entry + bytes;
        while (entry < end) {
            const auto& info = *reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(entry);
            const std::wstring name(info.FileName, info.FileNameLength / sizeof(wchar_t));
            if (!IsFolderTimes(folder, info, name)) {
                events.changes.push_back({folder.index, FromWide(name)});
            }
            if (info.NextEntryOffset == 0) break;
            entry += info.NextEntryOffset;
        }
    }

    static void CALLBACK Completed(DWORD error, DWORD bytes, OVERLAPPED* overlapped) {
        Folder& folder = *static_cast<Folder*>(overlapped->hEvent);
        State& state = *folder.state;
        folder.pending = false;
        if (state.closing) return;
        FolderEvents& events = state.collected;
        if (error == ERROR_NOTIFY_ENUM_DIR || (error == ERROR_SUCCESS && bytes == 0)) {
            events.overflow = true;  // more came than the buffer holds
        } else if (error == ERROR_SUCCESS) {
            Collect(folder, bytes, events);
        } else {
            // The folder was deleted (a request on it then fails with "access
            // denied", and it goes only once the handle is closed) or its
            // volume went away. Why, as the system tells it for the path now.
            folder.handle.Close();
            const bool stands = GetFileAttributesW(folder.path.c_str()) != INVALID_FILE_ATTRIBUTES;
            events.lost.emplace_back(
                folder.index, stands ? SystemError{static_cast<int>(error)} : LastSystemError());
            return;
        }
        if (!Request(folder)) {
            events.lost.emplace_back(folder.index, LastSystemError());
            folder.handle.Close();
        }
    }
};

FolderWatcher::FolderWatcher() : m_state(std::make_unique<State>()) {}

FolderWatcher::~FolderWatcher() {
    // The system writes into each folder's buffer until its request ends, and
    // calls its routine after: both must outlive the request.
    m_state->closing = true;
    for (const auto& folder : m_state->folders) {
        if (folder->pending) CancelIoEx(folder->handle.get(), &folder->overlapped);
    }
    while (std::any_of(m_state->folders.begin(), m_state->folders.end(),
                       [](const auto& folder) { return folder->pending; })) {
        SleepEx(INFINITE, TRUE);
    }
}

bool FolderWatcher::Add(std::size_t folder, std::u16string_view path, bool recursive,
                        SystemError& error) {
    auto watched = std::make_unique<State::Folder>();
    watched->state = m_state.get();
    watched->index = folder;
    watched->path = Wide(path);
    watched->recursive = recursive;
    if (!State::Open(*watched, error)) return false;
    m_state->folders.push_back(std::move(watched));
    return true;
}

FolderEvents FolderWatcher::Wait(std::optional<std::chrono::milliseconds> timeout) {
    DWORD milliseconds = INFINITE;
    if (m_state->HasCollected()) {
        milliseconds = 0;  // completions came during someone else's alertable wait
    } else if (timeout) {
        milliseconds = static_cast<DWORD>(
            std::min<std::chrono::milliseconds::rep>(timeout->count(), INFINITE - 1));
    }
    const HANDLE stop = reinterpret_cast<HANDLE>(InterruptWaitHandle());
    // Without the event (the system had none to give) only changes and the
    // timeout end the wait.
    bool stopped = false;
    if (stop) {
        stopped = WaitForSingleObjectEx(stop, milliseconds, TRUE) == WAIT_OBJECT_0;
    } else {
        SleepEx(milliseconds, TRUE);
    }
    FolderEvents events = std::move(m_state->collected);
    m_state->collected = {};
    events.stopped = stopped;
    return events;
}

bool SameEntryName(std::u16string_view a, std::u16string_view b) {
    return EqualIgnoringCase(a, b);
}

}  // namespace platform

#include "platform/files.h"

#include <chrono>
#include <memory>
#include <mutex>
#include <new>
#include <random>
#include <vector>

#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace platform {

File::~File() {
    Close();
}

File::File(File&& other) noexcept : m_handle(other.m_handle) {
    other.m_handle = kInvalid;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = other.m_handle;
        other.m_handle = kInvalid;
    }
    return *this;
}

namespace {

// Makes something new under a unique temporary name in `folder`: `create`
// tries one name. A few names taken already are tried past; any other
// failure ends the attempts.
template <typename Create>
ErrorOr<std::u16string> CreateUnique(std::u16string_view folder, Create&& create) {
    std::random_device device;
    std::mt19937_64 random(
        device() ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    SystemError failure;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::u16string name(folder);
        name += u"~";
        AppendHex(name, random(), 12);
        name += u".tmp";
        const ErrorOr<void> created = create(name);
        if (created) return name;
        failure = created.error();
        if (!AlreadyExists(failure)) break;
    }
    return failure;
}

}  // namespace

ErrorOr<std::u16string> CreateTempFileBeside(std::u16string_view path, File& file) {
    return CreateUnique(FolderOf(path), [&](const std::u16string& name) -> ErrorOr<void> {
        ErrorOr<File> created = File::CreateNew(name);
        if (!created) return created.error();
        file = std::move(*created);
        return {};
    });
}

ErrorOr<std::u16string> CreateUniqueFolder(std::u16string_view parent) {
    return CreateUnique(parent,
                        [](const std::u16string& name) { return CreateFolder(name, true); });
}

namespace {

// The buffers copies are made through, kept for the copies after them: a
// program that copies file after file touches their pages once. No more are
// kept than copies ran at once.
class CopyBuffers {
  public:
    static CopyBuffers& Shared() {
        static CopyBuffers buffers;
        return buffers;
    }
    // Nothing when memory cannot be had.
    std::unique_ptr<char[]> Take() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_idle.empty()) {
                std::unique_ptr<char[]> buffer = std::move(m_idle.back());
                m_idle.pop_back();
                return buffer;
            }
        }
        return std::unique_ptr<char[]>(new (std::nothrow) char[kCopyBufferSize]);
    }
    void Give(std::unique_ptr<char[]>& buffer) noexcept {
        const std::lock_guard<std::mutex> lock(m_mutex);
        try {
            m_idle.push_back(std::move(buffer));
        } catch (const std::bad_alloc&) {
            // No room to keep it: it goes.
        }
    }

  private:
    std::mutex m_mutex;
    std::vector<std::unique_ptr<char[]>> m_idle;
};

// A copy buffer for as long as it lives.
class CopyBuffer {
  public:
    CopyBuffer() : m_buffer(CopyBuffers::Shared().Take()) {}
    ~CopyBuffer() {
        if (m_buffer) CopyBuffers::Shared().Give(m_buffer);
    }
    CopyBuffer(const CopyBuffer&) = delete;
    CopyBuffer& operator=(const CopyBuffer&) = delete;
    char* get() const { return m_buffer.get(); }

  private:
    std::unique_ptr<char[]> m_buffer;
};

}  // namespace

ErrorOr<CopyResult> CopyStream(File& source, std::optional<std::uint64_t> length,
                               const ByteSink& sink) {
    const CopyBuffer buffer;
    if (!buffer.get()) return CopyResult::kOutOfMemory;
    std::uint64_t remaining = length.value_or(0);
    for (;;) {
        if (InterruptRequested()) return CopyResult::kInterrupted;
        // One byte past a measured length tells whether the file ends there.
        const std::size_t want = !length || remaining >= kCopyBufferSize
                                     ? kCopyBufferSize
                                     : static_cast<std::size_t>(remaining) + 1;
        const ErrorOr<std::size_t> read = source.Read(buffer.get(), want);
        if (!read) return read.error();
        const std::size_t got = *read;
        if (length) {
            if (got > remaining || (got == 0 && remaining > 0)) return CopyResult::kSizeChanged;
            remaining -= got;
        }
        if (got == 0) return CopyResult::kOk;
        if (!sink(buffer.get(), got)) return CopyResult::kSinkFailed;
    }
}

ErrorOr<std::vector<std::u16string>> ListFolder(std::u16string_view path) {
    auto entries = ListFolderEntries(path);
    if (!entries) return entries.error();
    std::vector<std::u16string> names;
    names.reserve(entries->size());
    for (FolderEntry& entry : *entries) names.push_back(std::move(entry.name));
    return names;
}

bool SameFile(std::u16string_view a, std::u16string_view b) {
    const auto first = IdentityOf(a);
    return first && first == IdentityOf(b);
}

ErrorOr<void> CreateFolders(std::u16string_view path) {
    if (KindOfPath(path) == PathKind::kFolder) return {};
    // Each folder on the way down, from the top. Those that exist already,
    // and prefixes that name no folder (a drive, a server), fail harmlessly:
    // only the last one's result counts.
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (IsPathSeparator(path[i]) && !IsPathSeparator(path[i - 1]))
            CreateFolder(path.substr(0, i));
    }
    const ErrorOr<void> created = CreateFolder(path);
    // Made meanwhile by someone else, it will do; anything else that stands
    // there will not.
    if (!created && AlreadyExists(created.error()) && KindOfPath(path) == PathKind::kFolder)
        return {};
    return created;
}

}  // namespace platform

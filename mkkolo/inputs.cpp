#include "mkkolo/inputs.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "pipeline/skin_jobs.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace mkkolo {

using platform::Message;
using platform::Say;
namespace {

std::u16string InFolder(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    if (!path.empty() && !platform::IsPathSeparator(path.back())) {
        path += platform::kPathSeparator;
    }
    return path + std::u16string(name);
}

class FileList {
  public:
    FileList(InputScan& scan, bool recursive) : m_scan(scan), m_recursive(recursive) {}

    // Like a new row of the list: a file that can be opened to be read,
    // looked at once, here, into a set.
    void Take(const std::u16string& path, std::size_t set) {
        if (m_taken.count(path)) return;
        const platform::ErrorOr<platform::File> file = platform::File::OpenForReading(path);
        if (!file) {
            return Problem(u"无法读取 ", path, u": " + WhyNotOpened(file.error()) + u"!\n");
        }
        m_taken.insert(path);
        pipeline::InputFile input{path, file->Identity(), std::nullopt};
        if (const auto size = file->Size()) input.size = *size;
        m_scan.sets[set].files.push_back(std::move(input));
    }

    // A file named on its own.
    void TakeNamed(const std::u16string& path) { Take(path, SharedSet()); }

    void TakeFolder(const std::u16string& folder) {
        std::vector<std::u16string> found;
        bool hasFolders = false;
        Search(folder, u"", m_recursive, found, hasFolders);
        std::sort(found.begin(), found.end());
        if (m_recursive) {
            // Each folder a set of its own, in the order of its path.
            std::map<std::u16string, std::vector<std::u16string>> byFolder;
            for (const std::u16string& relative : found) {
                std::u16string_view below = platform::FolderOf(relative);
                if (!below.empty()) below.remove_suffix(1);
                byFolder[std::u16string(below)].push_back(relative);
            }
            for (const auto& [below, files] : byFolder) {
                const std::size_t set = NewSet(below);
                for (const std::u16string& relative : files) Take(InFolder(folder, relative), set);
            }
        } else {
            for (const std::u16string& relative : found)
                Take(InFolder(folder, relative), SharedSet());
        }
        if (hasFolders && m_noted.insert(folder).second) {
            m_scan.notes += Say(u"注意: 文件夹 ", folder, u" 中的子文件夹未搜索, 用 -r 搜索!\n");
        }
    }

    void Problem(std::u16string_view before, std::u16string_view path, std::u16string_view after) {
        m_scan.problems += Say(before, path, after);
    }

  private:
    // The skin files of the folder `relative` (empty, or ending in a
    // separator) below `root`, as paths below it, into `found`; with
    // `recursive` those of the folders inside too, else whether there are
    // any (links to folders are no folders here). The listing tells each
    // entry's kind; only a link with a skin file's name, and an entry whose
    // kind the listing leaves out, is looked up.
    void Search(const std::u16string& root, const std::u16string& relative, bool recursive,
                std::vector<std::u16string>& found, bool& hasFolders) {
        const std::u16string folder = relative.empty() ? root : InFolder(root, relative);
        const auto entries = platform::ListFolderEntries(folder);
        if (!entries) {
            return Problem(u"无法读取 ", folder,
                           u": " + platform::Describe(entries.error()) + u"!\n");
        }
        for (const platform::FolderEntry& entry : *entries) {
            const std::u16string& name = entry.name;
            const platform::EntryKind kind = entry.kind == platform::EntryKind::kUnknown
                                                 ? platform::KindOfEntry(InFolder(folder, name))
                                                 : entry.kind;
            switch (kind) {
                case platform::EntryKind::kLink:
                    // Taken as the file it leads to; one that leads nowhere
                    // is told of as it is taken.
                    if (IsSkinFile(name) && platform::KindOfPath(InFolder(folder, name)) !=
                                                platform::PathKind::kFolder) {
                        found.push_back(relative + name);
                    }
                    break;
                case platform::EntryKind::kFile:
                // A pipe or a device named like a skin file, or an entry gone
                // since it was listed, cannot be read: taken, it is told of.
                case platform::EntryKind::kOther:
                case platform::EntryKind::kUnknown:
                    if (IsSkinFile(name)) found.push_back(relative + name);
                    break;
                case platform::EntryKind::kFolder:
                    if (!recursive) {
                        hasFolders = true;
                        break;
                    }
                    Search(root, relative + name + platform::kPathSeparator, true, found,
                           hasFolders);
                    break;
            }
        }
    }

    std::size_t NewSet(std::u16string folder) {
        m_scan.sets.push_back({std::move(folder), {}});
        return m_scan.sets.size() - 1;
    }

    // The set of the files named on their own, and without `recursive` of
    // every file, made when its first file comes.
    std::size_t SharedSet() {
        if (!m_shared) m_shared = NewSet(u"");
        return *m_shared;
    }

    InputScan& m_scan;
    const bool m_recursive;
    std::optional<std::size_t> m_shared;
    std::set<std::u16string> m_taken;
    std::set<std::u16string> m_noted;
};

}  // namespace

std::u16string WhyNotOpened(platform::SystemError error) {
    if (platform::IsNotAFile(error)) return u"不是文件";
    return platform::Describe(error);
}

bool IsSkinFile(std::u16string_view name) {
    return platform::HasExtension(name, u".xml") || platform::HasExtension(name, u".pxa") ||
           platform::HasExtension(name, u".mbm");
}

InputScan ScanInputs(const std::vector<std::u16string>& paths, bool recursive) {
    InputScan scan;
    FileList list(scan, recursive);
    for (const std::u16string& path : paths) {
        switch (platform::KindOfPath(path)) {
            case platform::PathKind::kFolder:
                list.TakeFolder(path);
                break;
            case platform::PathKind::kMissing:
                list.Problem(u"路径 ", path, u" 不存在!\n");
                break;
            case platform::PathKind::kFile:
            case platform::PathKind::kOther:
                list.TakeNamed(path);
                break;
        }
    }
    // A folder whose files were all taken before, or could not be read.
    scan.sets.erase(std::remove_if(scan.sets.begin(), scan.sets.end(),
                                   [](const InputSet& set) { return set.files.empty(); }),
                    scan.sets.end());
    return scan;
}

}  // namespace mkkolo

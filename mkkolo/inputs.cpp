#include "mkkolo/inputs.h"

#include <algorithm>
#include <set>

#include "pipeline/skin_jobs.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace mkkolo {

using platform::Message;
using platform::Say;
namespace {

bool IsSkinFile(std::u16string_view name) {
    return platform::HasExtension(name, u".xml") || platform::HasExtension(name, u".pxa") ||
           platform::HasExtension(name, u".mbm");
}

std::u16string InFolder(std::u16string_view folder, std::u16string_view name) {
    std::u16string path(folder);
    if (!path.empty() && !platform::IsPathSeparator(path.back())) {
        path += platform::kPathSeparator;
    }
    return path + std::u16string(name);
}

class FileList {
  public:
    explicit FileList(platform::Message& problems) : m_problems(problems) {}

    // Like a new row of the list: a file that can be opened to be read,
    // looked at once, here.
    void Take(const std::u16string& path) {
        if (m_taken.count(path)) return;
        platform::OpenError error;
        const platform::File file = platform::File::OpenForReading(path, &error);
        if (!file.IsOpen()) {
            return Problem(u"无法读取 ", path, u": " + WhyNotOpened(error) + u"!\n");
        }
        m_taken.insert(path);
        m_files.push_back({path, file.Identity(), file.Size()});
    }

    void TakeFolder(const std::u16string& folder) {
        platform::SystemError error;
        auto names = platform::ListFolder(folder, &error);
        if (!names)
            return Problem(u"无法读取 ", folder, u": " + platform::Describe(error) + u"!\n");
        std::sort(names->begin(), names->end());
        for (const std::u16string& name : *names) {
            const std::u16string path = InFolder(folder, name);
            if (IsSkinFile(name) && platform::KindOfPath(path) == platform::PathKind::kFile) {
                Take(path);
            }
        }
    }

    void Problem(std::u16string_view before, std::u16string_view path, std::u16string_view after) {
        m_problems += platform::Say(before, path, after);
    }

    std::list<pipeline::InputFile> files() && { return std::move(m_files); }

  private:
    platform::Message& m_problems;
    std::set<std::u16string> m_taken;
    std::list<pipeline::InputFile> m_files;
};

}  // namespace

std::u16string WhyNotOpened(const platform::OpenError& error) {
    if (error.failure == platform::OpenFailure::kNotAFile) return u"不是文件";
    return platform::Describe(error.system);
}

std::list<pipeline::InputFile> CollectInputFiles(const std::vector<std::u16string>& paths,
                                                 platform::Message& problems) {
    FileList list(problems);
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
                list.Take(path);
                break;
        }
    }
    return std::move(list).files();
}

}  // namespace mkkolo

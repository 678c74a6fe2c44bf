#include "mkkolo/pairing.h"

#include <map>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace mkkolo {
namespace {

using platform::Message;
using Kind = PairingWarning::Kind;

// A file's folder as a person would name it.
std::u16string FolderName(std::u16string_view path) {
    const std::u16string_view folder = platform::FolderOf(path);
    return folder.empty() ? u"." : std::u16string(folder);
}

bool SameFolder(const std::u16string& a, const std::u16string& b) {
    if (a == b) return true;
    const auto first = platform::IdentityOf(a), second = platform::IdentityOf(b);
    return first && second && *first == *second;
}

// What a skin's two files have that would surprise.
void CheckPair(const pipeline::SkinJob& job, const SkinFiles& files,
               std::vector<PairingWarning>& warnings) {
    const std::u16string& first = files.first.path;
    const std::u16string& second = files.second.path;
    // The same file twice is told of by the files' own check.
    if (second.empty() || (files.first.identity && files.first.identity == files.second.identity))
        return;
    const std::u16string_view extension = platform::FindExtension(platform::FindFileName(first));
    if (!extension.empty() &&
        platform::EqualIgnoringCase(extension,
                                    platform::FindExtension(platform::FindFileName(second)))) {
        warnings.push_back({Kind::kSameKind, job.strName, {first, second}});
    }
    if (!SameFolder(FolderName(first), FolderName(second))) {
        warnings.push_back({Kind::kTwoFolders, job.strName, {first, second}});
    }
}

}  // namespace

Pairing PairSkins(const std::list<pipeline::InputFile>& files) {
    // By skin name, in the order found.
    std::map<std::u16string, std::vector<PairingWarning>> found;
    std::map<std::u16string, const pipeline::InputFile*> byPath;
    std::map<platform::FileIdentity, const std::u16string*> seen;
    std::list<std::u16string> paths;
    for (const pipeline::InputFile& file : files) {
        const std::u16string skin = platform::SkinFileName(file.path);
        byPath.emplace(file.path, &file);
        paths.push_back(file.path);
        if (file.size == std::optional<std::uint64_t>(0)) {
            found[skin].push_back({Kind::kEmpty, skin, {file.path}});
        }
        if (file.identity) {
            const auto [earlier, isNew] = seen.emplace(*file.identity, &file.path);
            if (!isNew)
                found[skin].push_back({Kind::kSameFile, skin, {*earlier->second, file.path}});
        }
    }
    pipeline::SkinJobMap map;
    pipeline::CollectSkinJobs(paths, map, [&](const pipeline::PairingNote& note) {
        const std::u16string& skin = note.job.strName;
        found[skin].push_back(
            note.kind == pipeline::PairingNote::Kind::kIgnored
                ? PairingWarning{Kind::kUnused, skin, {note.file}}
                : PairingWarning{Kind::kReplaced, skin, {note.file, note.replaced}});
    });
    const auto input = [&](const std::u16string& path) {
        const auto file = byPath.find(path);
        return file != byPath.end() ? *file->second : pipeline::InputFile{path, {}, {}};
    };
    Pairing pairing;
    map.ForEach([&](const pipeline::SkinJob& job) {
        pairing.jobs.push_back(job);
        pairing.files.push_back({input(job.strFirstFile), input(job.strSecondFile)});
        std::vector<PairingWarning> warnings = std::move(found[job.strName]);
        CheckPair(job, pairing.files.back(), warnings);
        pairing.warnings.push_back(std::move(warnings));
    });
    return pairing;
}

Message WarningText(const PairingWarning& warning) {
    const Message skin = u"皮肤【" + Message::Name(warning.skin) + u"】";
    const std::vector<std::u16string>& paths = warning.paths;
    switch (warning.kind) {
        case Kind::kUnused:
            return u"警告: " + skin + u"不用文件 " + Message::Name(paths[0]) + u"!\n";
        case Kind::kReplaced:
            return u"警告: " + skin + u"用 " + Message::Name(paths[0]) + u" 代替了 " +
                   Message::Name(paths[1]) + u"!\n";
        case Kind::kSameKind:
            return u"警告: " + skin + u"的两个文件都是 " +
                   Message::Name(platform::FindExtension(platform::FindFileName(paths[0]))) +
                   u" 文件!\n";
        case Kind::kTwoFolders:
            return u"警告: " + skin + u"的两个文件在不同的文件夹: " +
                   Message::Name(FolderName(paths[0])) + u" 与 " +
                   Message::Name(FolderName(paths[1])) + u"!\n";
        case Kind::kEmpty:
            return platform::Say(u"警告: 文件 ", paths[0], u" 是空的!\n");
        case Kind::kSameFile:
            return u"警告: " + Message::Name(paths[0]) + u" 与 " + Message::Name(paths[1]) +
                   u" 是同一个文件!\n";
    }
    return {};
}

}  // namespace mkkolo

#include "pipeline/pairing.h"

#include <map>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace pipeline {
namespace {

using Kind = Fault::Kind;

Fault Warning(Kind kind, std::vector<std::u16string> paths) {
    Fault fault;
    fault.kind = kind;
    fault.paths = std::move(paths);
    return fault;
}

bool SameFolder(std::u16string_view a, std::u16string_view b) {
    if (a == b) return true;
    const auto folder = [](std::u16string_view path) {
        return path.empty() ? std::u16string(u".") : std::u16string(path);
    };
    const auto first = platform::IdentityOf(folder(a)), second = platform::IdentityOf(folder(b));
    return first && second && *first == *second;
}

// What a skin's two files have that would surprise.
void CheckPair(PairedSkin& skin) {
    const std::u16string& first = skin.first.path;
    const std::u16string& second = skin.second.path;
    // The same file twice is told of by the files' own check.
    if (second.empty() || (skin.first.identity && skin.first.identity == skin.second.identity))
        return;
    const std::u16string_view extension = platform::FindExtension(platform::FindFileName(first));
    if (!extension.empty() &&
        platform::EqualIgnoringCase(extension,
                                    platform::FindExtension(platform::FindFileName(second)))) {
        skin.warnings.push_back(Warning(Kind::kSameExtension, {first, second}));
    }
    if (!SameFolder(platform::FolderOf(first), platform::FolderOf(second)))
        skin.warnings.push_back(Warning(Kind::kTwoFolders, {first, second}));
}

}  // namespace

Pairing PairSkins(const std::list<InputFile>& files, SkinJobMap& jobs) {
    // By skin name, in the order found.
    std::map<std::u16string, std::vector<Fault>> found;
    std::map<std::u16string, const InputFile*> byPath;
    std::map<platform::FileIdentity, const std::u16string*> seen;
    std::list<std::u16string> paths;
    for (const InputFile& file : files) {
        const std::u16string skin = platform::SkinFileName(file.path);
        byPath.emplace(file.path, &file);
        paths.push_back(file.path);
        if (file.size == std::optional<std::uint64_t>(0))
            found[skin].push_back(Warning(Kind::kEmptyFile, {file.path}));
        if (file.identity) {
            const auto [earlier, isNew] = seen.emplace(*file.identity, &file.path);
            if (!isNew)
                found[skin].push_back(Warning(Kind::kSameFile, {*earlier->second, file.path}));
        }
    }
    CollectSkinJobs(paths, jobs, [&](const PairingNote& note) {
        found[note.job.strName].push_back(
            note.kind == PairingNote::Kind::kIgnored
                ? Warning(Kind::kUnusedFile, {note.file})
                : Warning(Kind::kReplacedFile, {note.file, note.replaced}));
    });
    const auto input = [&](const std::u16string& path) {
        const auto file = byPath.find(path);
        return file != byPath.end() ? *file->second : InputFile{path, {}, {}};
    };
    Pairing pairing;
    pairing.paths.assign(paths.begin(), paths.end());
    jobs.ForEach([&](const SkinJob& job) {
        PairedSkin skin{job, input(job.strFirstFile), input(job.strSecondFile),
                        std::move(found[job.strName])};
        CheckPair(skin);
        pairing.skins.push_back(std::move(skin));
    });
    return pairing;
}

Pairing PairSkins(const std::list<InputFile>& files) {
    SkinJobMap jobs;
    return PairSkins(files, jobs);
}

std::u16string OutputFolderOf(const Pairing& pairing, std::u16string_view outputDir) {
    if (pairing.folder.empty()) return std::u16string(outputDir);
    return std::u16string(outputDir) + platform::kPathSeparator + pairing.folder;
}

std::u16string NameBelowOutput(std::u16string_view folder, std::u16string_view name) {
    if (folder.empty()) return std::u16string(name);
    return std::u16string(folder) + platform::kPathSeparator + std::u16string(name);
}

}  // namespace pipeline

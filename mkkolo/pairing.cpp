#include "mkkolo/pairing.h"

#include <map>

#include "platform/files.h"
#include "platform/message.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace mkkolo {

using platform::Message;
using platform::Say;
namespace {

Message Skin(const std::u16string& name) {
    return u"皮肤【" + Message::Name(name) + u"】";
}

// A file's folder as a person would name it.
std::u16string FolderName(std::u16string_view path) {
    const std::u16string_view folder = platform::FolderOf(path);
    return folder.empty() ? u"." : std::u16string(folder);
}

bool SameFolder(const std::u16string& a, const std::u16string& b) {
    const auto first = platform::IdentityOf(a), second = platform::IdentityOf(b);
    return first && second ? *first == *second : a == b;
}

// What a skin's two files have that would surprise.
void CheckPair(const pipeline::SkinJob& job, std::vector<Message>& warnings) {
    const std::u16string& first = job.strFirstFile;
    const std::u16string& second = job.strSecondFile;
    // The same file twice is told of by the files' own check.
    if (second.empty() || platform::SameFile(first, second)) return;
    const std::u16string_view extension = platform::FindExtension(platform::FindFileName(first));
    if (!extension.empty() &&
        platform::EqualIgnoringCase(extension,
                                    platform::FindExtension(platform::FindFileName(second)))) {
        warnings.push_back(u"警告: " + Skin(job.strName) + u"的两个文件都是 " +
                           Message::Name(extension) + u" 文件!\n");
    }
    const std::u16string folder1 = FolderName(first), folder2 = FolderName(second);
    if (!SameFolder(folder1, folder2)) {
        warnings.push_back(u"警告: " + Skin(job.strName) + u"的两个文件在不同的文件夹: " +
                           Message::Name(folder1) + u" 与 " + Message::Name(folder2) + u"!\n");
    }
}

}  // namespace

Pairing PairSkins(const std::list<std::u16string>& files) {
    // By skin name, in the order found.
    std::map<std::u16string, std::vector<Message>> found;
    std::map<platform::FileIdentity, const std::u16string*> seen;
    for (const std::u16string& path : files) {
        std::vector<Message>& warnings = found[platform::SkinFileName(path)];
        if (platform::File::OpenForReading(path).Size() == std::optional<std::uint64_t>(0)) {
            warnings.push_back(Say(u"警告: 文件 ", path, u" 是空的!\n"));
        }
        if (const auto identity = platform::IdentityOf(path)) {
            const auto [earlier, isNew] = seen.emplace(*identity, &path);
            if (!isNew) {
                warnings.push_back(u"警告: " + Message::Name(*earlier->second) + u" 与 " +
                                   Message::Name(path) + u" 是同一个文件!\n");
            }
        }
    }
    pipeline::SkinJobMap map;
    pipeline::CollectSkinJobs(files, map, [&](const pipeline::PairingNote& note) {
        const Message skin = Skin(note.job.strName), file = Message::Name(note.file);
        found[note.job.strName].push_back(note.kind == pipeline::PairingNote::Kind::kIgnored
                                              ? u"警告: " + skin + u"不用文件 " + file + u"!\n"
                                              : u"警告: " + skin + u"用 " + file + u" 代替了 " +
                                                    Message::Name(note.replaced) + u"!\n");
    });
    Pairing pairing;
    map.ForEach([&](const pipeline::SkinJob& job) {
        pairing.jobs.push_back(job);
        std::vector<Message> warnings = std::move(found[job.strName]);
        CheckPair(job, warnings);
        pairing.warnings.push_back(std::move(warnings));
    });
    return pairing;
}

}  // namespace mkkolo

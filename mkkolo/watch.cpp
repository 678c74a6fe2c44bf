#include "mkkolo/watch.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include "mkkolo/inputs.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace mkkolo {
namespace {

std::vector<platform::WatchedPath> Watched(const std::vector<std::u16string>& paths,
                                           bool recursive) {
    std::vector<platform::WatchedPath> watched;
    for (const std::u16string& path : paths) watched.push_back({path, recursive});
    return watched;
}

void SayFailures(const std::vector<platform::WatchFailure>& failures, platform::Console& console) {
    for (const platform::WatchFailure& failure : failures) {
        console.Err(platform::Say(u"无法监视 ", failure.path, u": ") +
                    platform::Describe(failure.error) + u"!\n");
    }
}

using ChangedPaths = std::unordered_set<std::u16string_view>;

// Whether one of the changed paths names the file at `path`: the path itself
// or a folder that holds it, as the path spells it.
bool NamedByAny(const ChangedPaths& changed, std::u16string_view path) {
    if (changed.count(path)) return true;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (platform::IsPathSeparator(path[i]) && changed.count(path.substr(0, i))) return true;
    }
    return false;
}

ChangedPaths PathsOf(const platform::WatchResult& change) {
    return ChangedPaths(change.changed.begin(), change.changed.end());
}

}  // namespace

InputWatch::InputWatch(const std::vector<std::u16string>& paths, bool recursive,
                       platform::Console& console)
    : m_paths(paths), m_recursive(recursive), m_console(console) {
    std::vector<platform::WatchFailure> failures;
    m_watch = std::make_unique<platform::FileWatch>(Watched(paths, recursive), &failures);
    SayFailures(failures, console);
}

platform::WatchResult InputWatch::Wait(const InputScan& inputs) {
    platform::WaitRules rules;
    rules.quiet = kQuietMoment;
    rules.longest = kLongestWait;
    std::unordered_set<std::u16string_view> held;
    for (const InputSet& set : inputs.sets) {
        for (const pipeline::InputFile& input : set.files) {
            const std::u16string_view path = input.path;
            held.insert(path);
            for (std::size_t i = 0; i < path.size(); ++i) {
                if (platform::IsPathSeparator(path[i])) held.insert(path.substr(0, i));
            }
        }
    }
    rules.counts = [&](const std::u16string& path) { return MayConcern(path, held); };
    for (;;) {
        platform::WatchResult change = m_watch->Wait(rules);
        SayFailures(change.failures, m_console);
        if (change.status != platform::WatchResult::Status::kChanged || change.everything ||
            !change.changed.empty()) {
            return change;
        }
        // Only paths that can be watched no longer: told, and no round is due.
    }
}

// Without a further look: a skin file made, written, deleted or renamed
// anywhere watched; a path given (a file of any extension); a folder that
// held inputs, deleted or renamed; with folders searched, one that stands
// now and may hold skin files. What mkkolo writes itself (its .kolo files
// and temporary files) is none of these.
bool InputWatch::MayConcern(const std::u16string& changed,
                            const std::unordered_set<std::u16string_view>& held) const {
    return IsSkinFile(platform::FindFileName(changed)) ||
           std::find(m_paths.begin(), m_paths.end(), changed) != m_paths.end() ||
           held.count(changed) ||
           (m_recursive && platform::KindOfPath(changed) == platform::PathKind::kFolder);
}

std::optional<std::vector<pipeline::Pairing>> ChangedSkins(
    const std::vector<pipeline::Pairing>& after, const InputScan& before, const InputScan& now,
    const platform::WatchResult& change) {
    const ChangedPaths changed = PathsOf(change);
    // Skins whose .kolo paths differ in letter case only write to the same
    // files where case does not count: packed together, the later one's
    // .kolo stands at the end, as after a full run.
    std::unordered_set<std::u16string> skins;
    for (const InputScan* scan : {&before, &now}) {
        for (const InputSet& set : scan->sets) {
            for (const pipeline::InputFile& file : set.files) {
                if (change.everything || NamedByAny(changed, file.path)) {
                    skins.insert(platform::FoldCase(
                        pipeline::NameBelowOutput(set.folder, platform::SkinFileName(file.path))));
                }
            }
        }
    }
    if (skins.empty()) return std::nullopt;
    std::vector<pipeline::Pairing> concerned;
    for (const pipeline::Pairing& pairing : after) {
        pipeline::Pairing some;
        some.paths = pairing.paths;
        some.folder = pairing.folder;
        for (const pipeline::PairedSkin& skin : pairing.skins) {
            if (skins.count(platform::FoldCase(
                    pipeline::NameBelowOutput(pairing.folder, skin.job.strName))))
                some.skins.push_back(skin);
        }
        if (!some.skins.empty()) concerned.push_back(std::move(some));
    }
    return concerned;
}

}  // namespace mkkolo

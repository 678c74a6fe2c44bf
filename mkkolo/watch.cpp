#include "mkkolo/watch.h"

#include <algorithm>
#include <set>

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

// Whether a changed path names the file at `path`, itself or a folder that
// holds it.
bool Names(std::u16string_view changed, std::u16string_view path) {
    return path.substr(0, changed.size()) == changed &&
           (path.size() == changed.size() || platform::IsPathSeparator(path[changed.size()]));
}

bool NamesAny(const platform::WatchResult& change, std::u16string_view path) {
    return change.everything ||
           std::any_of(change.changed.begin(), change.changed.end(),
                       [&](const std::u16string& changed) { return Names(changed, path); });
}

}  // namespace

InputWatch::InputWatch(const std::vector<std::u16string>& paths, bool recursive,
                       platform::Console& console)
    : m_paths(paths), m_bRecursive(recursive), m_console(console) {
    std::vector<platform::WatchFailure> failures;
    m_watch = std::make_unique<platform::FileWatch>(Watched(paths, recursive), &failures);
    SayFailures(failures, console);
}

platform::WatchResult InputWatch::Wait(const std::list<pipeline::InputFile>& inputs) {
    platform::WaitRules rules;
    rules.quiet = kQuietMoment;
    rules.longest = kLongestWait;
    rules.counts = [&](const std::u16string& path) { return MayConcern(path, inputs); };
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
                            const std::list<pipeline::InputFile>& inputs) const {
    return IsSkinFile(platform::FindFileName(changed)) ||
           std::find(m_paths.begin(), m_paths.end(), changed) != m_paths.end() ||
           std::any_of(
               inputs.begin(), inputs.end(),
               [&](const pipeline::InputFile& input) { return Names(changed, input.path); }) ||
           (m_bRecursive && platform::KindOfPath(changed) == platform::PathKind::kFolder);
}

std::optional<Pairing> ChangedSkins(const Pairing& after,
                                    const std::list<pipeline::InputFile>& before,
                                    const std::list<pipeline::InputFile>& now,
                                    const platform::WatchResult& change) {
    std::set<std::u16string> skins;
    for (const auto* files : {&before, &now}) {
        for (const pipeline::InputFile& file : *files) {
            if (NamesAny(change, file.path)) skins.insert(platform::SkinFileName(file.path));
        }
    }
    if (skins.empty()) return std::nullopt;
    // Skins whose names differ in letter case only write to the same files
    // where case does not count: packed together, the later one's .kolo
    // stands at the end, as after a full run.
    const auto concerned = [&](const std::u16string& name) {
        return std::any_of(skins.begin(), skins.end(), [&](const std::u16string& skin) {
            return platform::EqualIgnoringCase(skin, name);
        });
    };
    Pairing changed;
    for (std::size_t i = 0; i < after.jobs.size(); ++i) {
        if (!concerned(after.jobs[i].strName)) continue;
        changed.jobs.push_back(after.jobs[i]);
        changed.files.push_back(after.files[i]);
        changed.warnings.push_back(after.warnings[i]);
    }
    return changed;
}

}  // namespace mkkolo

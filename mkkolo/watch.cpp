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

platform::WatchResult InputWatch::Wait(const InputScan& inputs) {
    for (;;) {
        platform::WatchResult change = m_watch->Wait(kQuietMoment);
        SayFailures(change.failures, m_console);
        if (change.status != platform::WatchResult::Status::kChanged ||
            MayConcern(change, inputs)) {
            return change;
        }
    }
}

// Without a further look: a skin file made, written, deleted or renamed
// anywhere watched; a path given (a file of any extension); a folder that
// held inputs, deleted or renamed; with folders searched, one that stands
// now and may hold skin files. What mkkolo writes itself (its .kolo files
// and temporary files) is none of these.
bool InputWatch::MayConcern(const platform::WatchResult& change, const InputScan& inputs) const {
    if (change.everything) return true;
    const auto namesAnInput = [&](const std::u16string& path) {
        return std::any_of(inputs.sets.begin(), inputs.sets.end(), [&](const InputSet& set) {
            return std::any_of(
                set.files.begin(), set.files.end(),
                [&](const pipeline::InputFile& input) { return Names(path, input.path); });
        });
    };
    for (const std::u16string& path : change.changed) {
        if (IsSkinFile(platform::FindFileName(path)) ||
            std::find(m_paths.begin(), m_paths.end(), path) != m_paths.end() ||
            namesAnInput(path) ||
            (m_bRecursive && platform::KindOfPath(path) == platform::PathKind::kFolder)) {
            return true;
        }
    }
    return false;
}

std::optional<std::vector<pipeline::Pairing>> ChangedSkins(
    const std::vector<pipeline::Pairing>& after, const InputScan& before, const InputScan& now,
    const platform::WatchResult& change) {
    std::set<std::u16string> skins;
    for (const InputScan* scan : {&before, &now}) {
        for (const InputSet& set : scan->sets) {
            for (const pipeline::InputFile& file : set.files) {
                if (NamesAny(change, file.path))
                    skins.insert(
                        pipeline::NameBelowOutput(set.folder, platform::SkinFileName(file.path)));
            }
        }
    }
    if (skins.empty()) return std::nullopt;
    // Skins whose .kolo paths differ in letter case only write to the same
    // files where case does not count: packed together, the later one's
    // .kolo stands at the end, as after a full run.
    const auto concerned = [&](const std::u16string& skin) {
        return std::any_of(skins.begin(), skins.end(), [&](const std::u16string& changed) {
            return platform::EqualIgnoringCase(changed, skin);
        });
    };
    std::vector<pipeline::Pairing> changed;
    for (const pipeline::Pairing& pairing : after) {
        pipeline::Pairing some;
        some.paths = pairing.paths;
        some.folder = pairing.folder;
        for (const pipeline::PairedSkin& skin : pairing.skins) {
            if (concerned(pipeline::NameBelowOutput(pairing.folder, skin.job.strName)))
                some.skins.push_back(skin);
        }
        if (!some.skins.empty()) changed.push_back(std::move(some));
    }
    return changed;
}

}  // namespace mkkolo

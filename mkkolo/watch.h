// Watching the paths a pack run was given, so that the skins whose files
// change are packed again.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "mkkolo/inputs.h"
#include "pipeline/pairing.h"
#include "platform/console.h"
#include "platform/file_watch.h"

namespace mkkolo {

// How long the files must stay unchanged before they are packed again:
// editors save in steps (a new file written, then renamed over the old one),
// and a skin's two files are often saved one after the other.
constexpr std::chrono::milliseconds kQuietMoment{500};
// However often the files change (a program that saves them every moment),
// they are packed again at the latest this long after the first change.
constexpr std::chrono::milliseconds kLongestWait{2000};

class InputWatch {
  public:
    // Starts watching the paths, folders with the folders inside them when
    // `recursive`. Says on the console's errors which cannot be watched.
    InputWatch(const std::vector<std::u16string>& paths, bool recursive,
               platform::Console& console);

    // Waits until changes come that may concern the skin files, the last
    // scan having found `inputs`, and a quiet moment after them (or the
    // longest wait); a request to stop, or nothing left to watch, ends the
    // wait too. Other changes are passed over. Paths that can be watched no
    // longer are told on the console's errors meanwhile.
    platform::WatchResult Wait(const InputScan& inputs);

  private:
    // `held`: the inputs' paths, and each folder in them as they spell it.
    bool MayConcern(const std::u16string& changed,
                    const std::unordered_set<std::u16string_view>& held) const;

    std::vector<std::u16string> m_paths;
    bool m_recursive;
    platform::Console& m_console;
    std::unique_ptr<platform::FileWatch> m_watch;
};

// The skins of `after` (the pairings of the sets of files that the scan
// `now` found after the change) that the change concerns, in job order:
// those of the base names of files, found before the change or after it,
// that it names or that lie in a folder it names, each in its set's folder
// below the output folder, with the skins whose .kolo paths differ from
// those in letter case only. Nothing when it concerns no skin's file.
std::optional<std::vector<pipeline::Pairing>> ChangedSkins(
    const std::vector<pipeline::Pairing>& after, const InputScan& before, const InputScan& now,
    const platform::WatchResult& change);

}  // namespace mkkolo

// Packing skin jobs into .kolo files side by side, reporting each job whole
// and in job order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "mkkolo/pairing.h"
#include "pipeline/pack_skin.h"
#include "pipeline/skin_jobs.h"
#include "platform/console.h"

namespace mkkolo {

struct BatchSettings {
    std::u16string outputDir;  // exists
    unsigned workers = 1;
    bool quiet = false;  // report failed jobs only
    // How each skin is packed: the .kolo options; the folder for prepared
    // .mbm copies is the run's own, made by PackBatch.
    pipeline::PackSettings pack;
    // Jobs that fail without being packed, with their reports.
    std::map<std::size_t, platform::Message> refused;
    // The reports are kept in the outcomes only, for a report of the whole
    // run (--json): none goes to standard output.
    bool json = false;
};

// What became of a job that was packed or refused (with -n, what would).
struct JobOutcome {
    bool made = false;
    std::u16string koloPath;                      // when made
    std::uint64_t packageSize = 0, koloSize = 0;  // when made by a run
    std::vector<pipeline::FileFault> faults;      // what the checks of its files found
    platform::Message message;  // when it failed: its report without the packer's summary
};

struct BatchCounts {
    std::size_t made = 0;                             // jobs that produced their .kolo
    std::size_t failed = 0;                           // jobs that were reported failed
    std::size_t notRun = 0;                           // jobs left undone after a request to stop
    std::vector<std::size_t> failedJobs;              // in job order
    std::vector<std::optional<JobOutcome>> outcomes;  // per job; nothing for a job not run
};

// Packs each job the way the dialog application's pack run does, with the
// packer in this process. Reports go to the console's output with plain line
// ends ("\n"), each after what the checks of its skin's files found, which
// goes to standard error; a person at a terminal sees a progress line
// meanwhile. After
// a request to stop (see platform/interrupt.h) no job starts, a job under
// way stops and removes what it was making, and only finished jobs are
// reported. Prepared copies of .mbm files live in a folder of the run's own
// inside the temporary folder, removed at the end.
BatchCounts PackBatch(const Pairing& pairing, const BatchSettings& settings,
                      platform::Console& console);

// Jobs whose names differ in letter case only write to the same files where
// the file system ignores case (Windows, memory cards): the package, the
// .kolo and the prepared copy of an .mbm. Each set of them is one chain, in
// job order, so they never run beside each other and the later one's .kolo
// stands at the end, as in a run of one job after the other.
std::vector<std::vector<std::size_t>> ChainsOfSameFiles(const std::vector<pipeline::SkinJob>& jobs);

}  // namespace mkkolo

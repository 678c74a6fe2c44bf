// Packing the skins of a pairing side by side, each into its verdict, told
// whole and in job order.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "pipeline/pack_skin.h"
#include "pipeline/pairing.h"
#include "pipeline/skin_jobs.h"
#include "pipeline/verdict.h"

namespace mkkolo {

struct BatchSettings {
    std::u16string outputDir;  // exists, unless nothing is written
    unsigned workers = 1;
    // How each skin is packed, checked and held back, or with pack.dryRun
    // judged only; the folder for prepared .mbm copies is the run's own,
    // made by PackBatch.
    pipeline::PackSettings pack;
};

// Hears of the skins, always on the thread that called PackBatch.
class VerdictListener {
  public:
    virtual ~VerdictListener() = default;
    // A skin's verdict, once it and every skin before it are done.
    virtual void Deliver(const pipeline::SkinVerdict& verdict) = 0;
    // How many skins are done, whenever that number grows.
    virtual void Finished(std::size_t count) = 0;
};

// Judges each skin of the pairing the way the dialog application's pack run
// packs it, with the packer in this process, and returns the verdicts in job
// order. After a request to stop (see platform/interrupt.h) no skin starts
// (its verdict is kInterrupted), and a skin under way stops and removes what
// it was making. Prepared copies of .mbm files live in a folder of the run's
// own inside the temporary folder, removed at the end.
std::vector<pipeline::SkinVerdict> PackBatch(const pipeline::Pairing& pairing,
                                             const BatchSettings& settings,
                                             VerdictListener& listener);

// Jobs whose names differ in letter case only write to the same files where
// the file system ignores case (Windows, memory cards): the package, the
// .kolo and the prepared copy of an .mbm. Each set of them is one chain, in
// job order, so they never run beside each other and the later one's .kolo
// stands at the end, as in a run of one job after the other.
std::vector<std::vector<std::size_t>> ChainsOfSameFiles(const std::vector<pipeline::SkinJob>& jobs);

}  // namespace mkkolo

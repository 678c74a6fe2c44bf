// Packing the skins of a pairing side by side, each into its verdict, told
// whole and in job order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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

// A skin being packed, as far as it has come.
struct SkinUnderWay {
    std::u16string name;
    std::u16string folder;  // below the output folder (its pairing's)
    // Its package's bytes (0 until its archive is started), and how many of
    // them the archive has taken (pipeline::KoloProgress).
    std::uint64_t size = 0, taken = 0;
};

// Hears of the skins, always on the thread that called PackBatch.
class VerdictListener {
  public:
    virtual ~VerdictListener() = default;
    // A skin's verdict, once it and every skin before it are done.
    virtual void Deliver(const pipeline::SkinVerdict& verdict) = 0;
    // How many skins are done, whenever that number grows.
    virtual void Finished(std::size_t count) = 0;
    // Every tenth of a second while skins are packed: the first one in job
    // order that is under way, if any.
    virtual void Working(const std::optional<SkinUnderWay>& skin) = 0;
};

// Judges each skin of the pairings, one pairing after the other, the way the
// dialog application's pack run packs it, with the packer in this process,
// and returns the verdicts in that order. A pairing's folder below the
// output folder is made when its first skin is written. After a request to
// stop (see platform/interrupt.h) no skin starts (its verdict is
// kInterrupted), and a skin under way stops and removes what it was making.
// Prepared copies of .mbm files live in a folder of the run's own inside the
// temporary folder, removed at the end.
std::vector<pipeline::SkinVerdict> PackBatch(const std::vector<pipeline::Pairing>& pairings,
                                             const BatchSettings& settings,
                                             VerdictListener& listener);

// Two skins of different pairings whose .kolo would be one file: neither
// can be packed without undoing the other.
struct SameOutput {
    std::u16string first, second;  // a file of each skin, in job order
    std::u16string koloPath;
};

// Every such pair, each skin with the first one of its .kolo path.
std::vector<SameOutput> SameOutputs(const std::vector<pipeline::Pairing>& pairings,
                                    std::u16string_view outputDir);

// Jobs whose names differ in letter case only write to the same files where
// the file system ignores case (Windows, memory cards): the package, the
// .kolo and the prepared copy of an .mbm. Each set of them is one chain, in
// job order, so they never run beside each other and the later one's .kolo
// stands at the end, as in a run of one job after the other.
std::vector<std::vector<std::size_t>> ChainsOfSameFiles(const std::vector<pipeline::SkinJob>& jobs);

}  // namespace mkkolo

// Pairing the listed files into skins, one job per base name, and the table
// that holds the jobs in the order they run.
#pragma once

#include <cstdint>
#include <forward_list>
#include <functional>
#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace pipeline {

struct SkinJob {
    std::u16string strName;        // the base name that keys the job
    std::u16string strFirstFile;   // never empty once the job exists
    std::u16string strSecondFile;  // empty until a second file is assigned
};

// A chained hash table from base name to job. The jobs run in its iteration
// order, so that order is part of what the program does: buckets from 0 up,
// each chain from its front, new names at the front of their chain; 17
// buckets when empty, rebuilt to a larger prime when the names outnumber
// 2.25 per bucket.
class SkinJobMap {
  public:
    SkinJobMap();

    SkinJob* Find(std::u16string_view name);
    // Adds a job for a name that has none yet.
    SkinJob& Add(const std::u16string& name);
    bool Remove(std::u16string_view name);
    void RemoveAll();

    std::size_t size() const { return m_count; }
    std::size_t bucketCount() const { return m_buckets.size(); }

    template <typename Visit>
    void ForEach(Visit&& visit) const {
        for (const auto& chain : m_buckets) {
            for (const Node& node : chain) visit(node.job);
        }
    }

    static std::uint32_t Hash(std::u16string_view name);

  private:
    struct Node {
        std::uint32_t hash;
        SkinJob job;
    };
    using Chain = std::forward_list<Node>;

    void Rebuild(std::size_t bucketCount);

    std::vector<Chain> m_buckets;
    std::size_t m_count = 0;
    std::size_t m_rebuildThreshold = 0;
};

// What the pairing did with a file beyond adding it to its skin.
struct PairingNote {
    enum class Kind {
        kIgnored,   // the file takes part in no skin
        kReplaced,  // the file took the place of `replaced`
    };
    Kind kind;
    const SkinJob& job;  // the skin of the file's base name
    const std::u16string& file;
    const std::u16string& replaced;
};
using PairingObserver = std::function<void(const PairingNote&)>;

// Empties `jobs` and fills it from the listed paths, first to last, telling
// `observe` of each file that did not simply join its skin. Returns false
// when there are no paths.
bool CollectSkinJobs(const std::list<std::u16string>& files, SkinJobMap& jobs,
                     const PairingObserver& observe = {});

}  // namespace pipeline

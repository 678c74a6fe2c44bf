#include "pipeline/skin_jobs.h"

#include <new>

#include "platform/paths.h"

namespace pipeline {
namespace {

constexpr std::size_t kInitialBuckets = 17;
// Names per bucket, times 4, that trigger a rebuild (2.25), and the load a
// rebuild aims at (0.75).
constexpr std::size_t kRebuildLoadTimes4 = 9;
constexpr std::size_t kTargetLoadTimes4 = 3;

// The bucket counts a rebuild chooses from.
constexpr std::size_t kBucketCounts[] = {
    17,      23,      29,      37,      41,      53,      67,      83,      103,      131,
    163,     211,     257,     331,     409,     521,     647,     821,     1031,     1291,
    1627,    2053,    2591,    3251,    4099,    5167,    6521,    8209,    10331,    13007,
    16411,   20663,   26017,   32771,   41299,   52021,   65537,   82571,   104033,   131101,
    165161,  208067,  262147,  330287,  416147,  524309,  660563,  832291,  1048583,  1321139,
    1664543, 2097169, 2642257, 3329023, 4194319, 5284493, 6658049, 8388617, 10568993, 13316089};

std::size_t BucketCountFor(std::size_t names) {
    const std::size_t wanted = names * 4 / kTargetLoadTimes4;
    for (std::size_t count : kBucketCounts) {
        if (count >= wanted) return count;
    }
    return wanted;
}

}  // namespace

SkinJobMap::SkinJobMap() {
    RemoveAll();
}

std::uint32_t SkinJobMap::Hash(std::u16string_view name) {
    std::uint32_t hash = 0;
    for (char16_t unit : name) hash = hash * 33 + unit;
    return hash;
}

SkinJob* SkinJobMap::Find(std::u16string_view name) {
    const std::uint32_t hash = Hash(name);
    for (Node& node : m_buckets[hash % m_buckets.size()]) {
        if (node.hash == hash && node.job.strName == name) return &node.job;
    }
    return nullptr;
}

SkinJob& SkinJobMap::Add(const std::u16string& name) {
    const std::uint32_t hash = Hash(name);
    Chain& chain = m_buckets[hash % m_buckets.size()];
    chain.push_front(Node{hash, SkinJob{name, {}, {}}});
    SkinJob* job = &chain.front().job;  // nodes keep their place through a rebuild
    if (++m_count > m_rebuildThreshold) Rebuild(BucketCountFor(m_count));
    return *job;
}

bool SkinJobMap::Remove(std::u16string_view name) {
    const std::uint32_t hash = Hash(name);
    Chain& chain = m_buckets[hash % m_buckets.size()];
    for (auto before = chain.before_begin(), it = chain.begin(); it != chain.end(); before = it++) {
        if (it->hash == hash && it->job.strName == name) {
            chain.erase_after(before);
            --m_count;
            return true;
        }
    }
    return false;
}

void SkinJobMap::RemoveAll() {
    m_buckets.assign(kInitialBuckets, Chain());
    m_count = 0;
    m_rebuildThreshold = kInitialBuckets * kRebuildLoadTimes4 / 4;
}

void SkinJobMap::Rebuild(std::size_t bucketCount) {
    std::vector<Chain> buckets(bucketCount);
    for (Chain& chain : m_buckets) {
        while (!chain.empty()) {
            Chain& target = buckets[chain.front().hash % bucketCount];
            target.splice_after(target.before_begin(), chain, chain.before_begin());
        }
    }
    m_buckets.swap(buckets);
    m_rebuildThreshold = bucketCount * kRebuildLoadTimes4 / 4;
}

bool CollectSkinJobs(const std::list<std::u16string>& files, SkinJobMap& jobs,
                     const PairingObserver& observe) {
    jobs.RemoveAll();
    if (files.empty()) return false;
    const std::u16string none;
    for (const std::u16string& path : files) {
        // A file that cannot be recorded (memory exhausted) is left out alone.
        try {
            const std::u16string name = platform::SkinFileName(path);
            SkinJob* job = jobs.Find(name);
            const auto note = [&](PairingNote::Kind kind, const std::u16string& replaced) {
                if (observe) observe({kind, *job, path, replaced});
            };
            if (!job) {
                jobs.Add(name).strFirstFile = path;
            } else if (platform::HasExtension(path, u".pxa")) {
                // An image bundle takes a multi-bitmap's place.
                std::u16string& slot = platform::HasExtension(job->strFirstFile, u".mbm")
                                           ? job->strFirstFile
                                           : job->strSecondFile;
                if (!slot.empty()) note(PairingNote::Kind::kReplaced, slot);
                slot = path;
            } else if (platform::HasExtension(path, u".mbm")) {
                if (platform::HasExtension(job->strFirstFile, u".xml") &&
                    job->strSecondFile.empty()) {
                    job->strSecondFile = path;
                } else {
                    note(PairingNote::Kind::kIgnored, none);
                }
            } else if (job->strSecondFile.empty()) {
                job->strSecondFile = path;
            } else {
                note(PairingNote::Kind::kIgnored, none);
            }
        } catch (const std::bad_alloc&) {
        }
    }
    return true;
}

}  // namespace pipeline

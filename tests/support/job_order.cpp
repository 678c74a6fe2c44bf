#include "tests/support/job_order.h"

#include <cstdint>

namespace testing_support {

// Each name's bucket is its hash modulo the bucket count; a bucket lists its
// names newest first; when the names outnumber 2.25 per bucket, the buckets
// are dealt out again from the old order, each entry going to the front of
// its new bucket.
std::vector<std::u16string> ExpectedJobOrder(const std::vector<std::u16string>& names,
                                             std::size_t& buckets) {
    auto hash = [](const std::u16string& name) {
        std::uint32_t h = 0;
        for (char16_t u : name) h = h * 33u + u;
        return h;
    };
    const std::vector<std::size_t> primes = {17,  23,  29,  37,  41,  53,  67,  83, 103,
                                             131, 163, 211, 257, 331, 409, 521, 647};
    buckets = 17;
    std::vector<std::vector<std::u16string>> table(buckets);  // each bucket newest first
    std::size_t count = 0;
    for (const auto& name : names) {
        auto& bucket = table[hash(name) % buckets];
        bucket.insert(bucket.begin(), name);
        if (++count > buckets * 225 / 100) {
            const std::size_t wanted = count * 100 / 75;
            std::size_t next = 0;
            for (std::size_t p : primes) {
                if (p >= wanted) {
                    next = p;
                    break;
                }
            }
            std::vector<std::vector<std::u16string>> rebuilt(next);
            for (const auto& old : table) {
                for (const auto& moved : old) {
                    auto& target = rebuilt[hash(moved) % next];
                    target.insert(target.begin(), moved);
                }
            }
            table.swap(rebuilt);
            buckets = next;
        }
    }
    std::vector<std::u16string> order;
    for (const auto& bucket : table) order.insert(order.end(), bucket.begin(), bucket.end());
    return order;
}

}  // namespace testing_support

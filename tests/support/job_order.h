// The order in which the skin jobs run, worked out on its own from the rules
// of the jobs' table, for checking the table's order.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace testing_support {

// The jobs' order for names added in the given order; `buckets` is the
// table's size after the last one.
std::vector<std::u16string> ExpectedJobOrder(const std::vector<std::u16string>& names,
                                             std::size_t& buckets);

}  // namespace testing_support

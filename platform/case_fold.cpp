#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/text.h"

namespace platform {
namespace {

struct FoldRow {
    char32_t first, last;
    std::int32_t offset;
    char32_t step;
};

constexpr FoldRow kFoldRows[] = {
#include "platform/case_fold_table.inc"
};

}  // namespace

char32_t FoldCase(char32_t c) {
    const auto after =
        std::upper_bound(std::begin(kFoldRows), std::end(kFoldRows), c,
                         [](char32_t code, const FoldRow& row) { return code < row.first; });
    if (after == std::begin(kFoldRows)) return c;
    const FoldRow& row = *std::prev(after);
    if (c > row.last || (c - row.first) % row.step != 0) return c;
    return static_cast<char32_t>(static_cast<std::int32_t>(c) + row.offset);
}

}  // namespace platform

#include "mkkolo/json_report.h"

#include <gtest/gtest.h>

#include <string>

namespace mkkolo {
namespace {

// The report shows every control character of a name escaped, so that it
// can be shown on a terminal: C0 as the JSON library writes it, DEL and C1
// as \u escapes, up to the characters beside them.
TEST(JsonReport, EscapesEveryControlCharacter) {
    const struct {
        char16_t c;
        std::string shown;
    } cases[] = {
        {0x0A, "\\n"},     {0x1F, "\\u001f"}, {0x20, " "},       {0x7E, "~"},
        {0x7F, "\\u007f"}, {0x80, "\\u0080"}, {0x9F, "\\u009f"}, {0xA0, "\xC2\xA0"},
    };
    for (const auto& c : cases) {
        pipeline::SkinVerdict verdict;
        verdict.name = {u'a', c.c};
        verdict.status = pipeline::SkinStatus::kRefused;
        const std::string report = JsonReport({verdict}, true);
        EXPECT_NE(report.find("\"name\": \"a" + c.shown + "\","), std::string::npos)
            << static_cast<int>(c.c) << "\n"
            << report;
    }
}

}  // namespace
}  // namespace mkkolo

// Running the real quill program from the tests.
#pragma once

#include <string>
#include <vector>

#include "tests/support/process.h"

namespace quill_test {

// Runs quill in `folder`, with `options` besides. On Linux it runs in the
// given locale (UTF-8 by default); a Windows program inherits the code pages
// of the test run.
inline testing_support::ProcessResult Quill(const std::vector<std::u16string>& args,
                                            const std::u16string& folder = {},
                                            const std::string& locale = "C.UTF-8",
                                            testing_support::RunOptions options = {}) {
#ifndef _WIN32
    options.environment = {{"LC_ALL", locale}};
#else
    (void)locale;
#endif
    options.folder = folder;
    return testing_support::RunProgram("quill", args, options);
}

}  // namespace quill_test

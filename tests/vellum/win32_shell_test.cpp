// The system side of the shell: programs started with a UTF-16 command line.
#include "vellum/frame/win32_shell.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace vellum {
namespace {

// A folder name outside every ANSI code page Wine may be running in: an
// 8-bit command line could not carry it.
TEST(Win32Shell, StartedProgramsGetTheCommandLineUnchanged) {
    testing_support::TempDir dir;
    const std::filesystem::path made = dir.path() / std::filesystem::path(u"夜曲 한글");
    frame::CWin32Shell shell;
    shell.StartProgram(L"cmd.exe", {L"/c", L"mkdir", made.wstring()});
    for (int wait = 0; wait < 200 && !std::filesystem::exists(made); ++wait) Sleep(50);
    EXPECT_TRUE(std::filesystem::is_directory(made));
}

}  // namespace
}  // namespace vellum

#include "platform/error_or.h"

#include <gtest/gtest.h>

#include <cstddef>

#include "platform/files.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace platform {
namespace {

// The one thing a failure means, or none.
enum class Means { kNothing, kMissing, kInUse, kExists, kDiskFull, kNotAFile };

Means MeaningOf(SystemError error) {
    const std::pair<bool, Means> answers[] = {
        {IsMissing(error), Means::kMissing},    {IsInUse(error), Means::kInUse},
        {AlreadyExists(error), Means::kExists}, {IsDiskFull(error), Means::kDiskFull},
        {IsNotAFile(error), Means::kNotAFile},
    };
    Means meaning = Means::kNothing;
    for (const auto& [yes, means] : answers) {
        if (!yes) continue;
        // No failure means two things.
        EXPECT_EQ(meaning, Means::kNothing);
        meaning = means;
    }
    return meaning;
}

TEST(SystemError, EachCodeThatMeansSomethingAndOneThatDoesNot) {
    const struct {
        const char* name;
        SystemError error;
        Means means;
    } cases[] = {
#ifdef _WIN32
        {"ERROR_FILE_NOT_FOUND", {ERROR_FILE_NOT_FOUND}, Means::kMissing},
        {"ERROR_PATH_NOT_FOUND", {ERROR_PATH_NOT_FOUND}, Means::kMissing},
        {"ERROR_INVALID_NAME", {ERROR_INVALID_NAME}, Means::kMissing},
        {"ERROR_SHARING_VIOLATION", {ERROR_SHARING_VIOLATION}, Means::kInUse},
        {"ERROR_LOCK_VIOLATION", {ERROR_LOCK_VIOLATION}, Means::kInUse},
        {"ERROR_FILE_EXISTS", {ERROR_FILE_EXISTS}, Means::kExists},
        {"ERROR_ALREADY_EXISTS", {ERROR_ALREADY_EXISTS}, Means::kExists},
        {"ERROR_DISK_FULL", {ERROR_DISK_FULL}, Means::kDiskFull},
        {"ERROR_HANDLE_DISK_FULL", {ERROR_HANDLE_DISK_FULL}, Means::kDiskFull},
        // What a folder gives too, until it is looked at.
        {"ERROR_ACCESS_DENIED", {ERROR_ACCESS_DENIED}, Means::kNothing},
#else
        {"ENOENT", {ENOENT}, Means::kMissing},
        {"ENOTDIR", {ENOTDIR}, Means::kMissing},
        {"EEXIST", {EEXIST}, Means::kExists},
        {"ENOSPC", {ENOSPC}, Means::kDiskFull},
        {"EDQUOT", {EDQUOT}, Means::kDiskFull},
        // Nothing here refuses a file that another program has open.
        {"EBUSY", {EBUSY}, Means::kNothing},
#endif
        {"a refusal without a code", NotAFile(), Means::kNotAFile},
        {"no error", {}, Means::kNothing},
    };
    for (const auto& c : cases) EXPECT_EQ(MeaningOf(c.error), c.means) << c.name;
}

TEST(ErrorOr, AValueHoweverEmptyIsNoFailureAndAFailureWithoutACodeIsOne) {
    const struct {
        const char* name;
        ErrorOr<std::size_t> result;
        bool ok;
        std::size_t value;  // or 99 without one
        int code;
    } cases[] = {
        {"a value", std::size_t{7}, true, 7, 0},
        {"nothing more to read", std::size_t{0}, true, 0, 0},
        {"the system's failure", SystemError{5}, false, 99, 5},
        {"a failure without a code", SystemError{}, false, 99, 0},
        {"a refusal", NotAFile(), false, 99, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<bool>(c.result), c.ok) << c.name;
        EXPECT_EQ(c.result.value_or(99), c.value) << c.name;
        EXPECT_EQ(c.result.error().code, c.code) << c.name;
    }
    const struct {
        const char* name;
        ErrorOr<void> result;
        bool ok;
        int code;
    } done[] = {
        {"done", {}, true, 0},
        {"the system's failure", SystemError{5}, false, 5},
        {"a failure without a code", SystemError{}, false, 0},
    };
    for (const auto& c : done) {
        EXPECT_EQ(static_cast<bool>(c.result), c.ok) << c.name;
        EXPECT_EQ(c.result.error().code, c.code) << c.name;
    }
    EXPECT_TRUE(IsNotAFile(ErrorOr<void>(NotAFile()).error()));
}

// The system's own refusals, caused for real, mean what callers ask of them.
TEST(Files, FailuresMeanWhatStoodInTheWay) {
    const testing_support::TempDir dir;
    testing_support::WriteBytes(dir.path() / "file", "x");
    ASSERT_TRUE(CreateFolder(dir / u"folder"));
    const struct {
        const char* name;
        SystemError error;
        Means means;
    } cases[] = {
        {"open: nothing there", File::OpenForReading(dir / u"none").error(), Means::kMissing},
        {"open: a file on the way", File::OpenForReading(dir / u"file/x").error(), Means::kMissing},
        {"open: a folder", File::OpenForReading(dir / u"folder").error(), Means::kNotAFile},
        {"create: a file there", File::CreateNew(dir / u"file").error(), Means::kExists},
        {"create a folder: one there", CreateFolder(dir / u"folder").error(), Means::kExists},
        {"move: onto a file", MoveWithoutReplacing(dir / u"folder", dir / u"file").error(),
         Means::kExists},
        {"list: nothing there", ListFolder(dir / u"none").error(), Means::kMissing},
    };
    for (const auto& c : cases) EXPECT_EQ(MeaningOf(c.error), c.means) << c.name;
}

}  // namespace
}  // namespace platform

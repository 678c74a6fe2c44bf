#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

// A new empty folder, removed with everything in it at the end of its scope.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // A path inside the folder, as UTF-16.
    std::u16string operator/(std::u16string_view name) const;

  private:
    std::filesystem::path m_path;
};

std::u16string U16(const std::filesystem::path& path);
std::filesystem::path FsPath(std::u16string_view path);

// Whole-file helpers.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
std::string ReadBytes(const std::filesystem::path& path);
// `size` bytes of a repeating pattern that depends on `seed`.
std::string PatternBytes(std::size_t size, unsigned seed);

}  // namespace testing_support

namespace testing_support {

// Points the system's temporary folder (TMPDIR, or TMP on Windows) at
// `folder` for the life of the object.
class ScopedTempFolder {
  public:
    explicit ScopedTempFolder(const std::filesystem::path& folder);
    ~ScopedTempFolder();
    ScopedTempFolder(const ScopedTempFolder&) = delete;
    ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

  private:
    std::u16string m_strSaved;
    bool m_bHadValue;
};

}  // namespace testing_support

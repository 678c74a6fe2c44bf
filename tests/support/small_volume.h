#pragma once

#include <filesystem>
#include <string>

namespace testing_support {

// A small file system of its own (tmpfs) mounted on a new folder, for tests
// that need a full disk. Mounting needs the right to (a root test run);
// mounted() says whether it worked. Unmounted at the end of its scope.
class SmallVolume {
  public:
    SmallVolume(const std::filesystem::path& folder, const std::string& size);
    ~SmallVolume();
    SmallVolume(const SmallVolume&) = delete;
    SmallVolume& operator=(const SmallVolume&) = delete;

    bool mounted() const { return m_bMounted; }
    // Makes the volume read-only, for tests that need a folder nobody may
    // write into, root included.
    bool MakeReadOnly();
    const std::filesystem::path& path() const { return m_path; }

  private:
    std::filesystem::path m_path;
    bool m_bMounted;
};

}  // namespace testing_support

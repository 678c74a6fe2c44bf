#include <sys/mount.h>

#include "tests/support/small_volume.h"

namespace testing_support {

SmallVolume::SmallVolume(const std::filesystem::path& folder, const std::string& size)
    : m_path(folder) {
    std::filesystem::create_directories(folder);
    m_bMounted = mount("kolo-test", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
}

bool SmallVolume::MakeReadOnly() {
    return m_bMounted &&
           mount(nullptr, m_path.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

SmallVolume::~SmallVolume() {
    if (m_bMounted) umount2(m_path.c_str(), MNT_DETACH);
}

}  // namespace testing_support

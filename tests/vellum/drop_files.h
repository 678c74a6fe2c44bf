// A real drop handle, as the shell hands one over with WM_DROPFILES.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

namespace vellum {

// A DROPFILES block in global memory listing `paths`. The window that gets
// it frees it (DragFinish).
HDROP MakeDrop(const std::vector<std::wstring>& paths);

}  // namespace vellum

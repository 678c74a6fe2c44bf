#include "mkkolo/output.h"

namespace mkkolo {

bool OutputArrived(platform::Console& console) {
    const auto failure = console.OutFailure();
    if (!failure) return true;
    console.Err(u"写入标准输出失败: " + platform::Describe(*failure) + u"!\n");
    return false;
}

}  // namespace mkkolo

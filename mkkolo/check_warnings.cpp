#include "mkkolo/check_warnings.h"

#include "pipeline/skin_words.h"
#include "platform/text.h"

namespace mkkolo {

using platform::Message;

Message FaultText(std::u16string_view skin, const pipeline::FileFault& fault) {
    const Message about =
        u"警告: 皮肤【" + Message::Name(skin) + u"】的 " + Message::Name(fault.path);
    switch (fault.kind) {
        case pipeline::FileFault::Kind::kNotWellFormed:
            return about + u" 不是格式正确的 XML: 第 " + platform::ToDecimal(fault.layout.line) +
                   u" 行第 " + platform::ToDecimal(fault.layout.column) + u" 列, " +
                   platform::Utf8ToUtf16(fault.layout.reason) + u"!\n";
        case pipeline::FileFault::Kind::kNotMultiBitmap:
            break;
    }
    return about + u" 不是多位图文件!\n";
}

Message StrictRefusal(std::u16string_view skin) {
    return pipeline::RefusedText(skin, u"有警告(--strict)", u"\n");
}

}  // namespace mkkolo

#include "mkkolo/examined_file.h"

#include <string_view>

#include "mkkolo/inputs.h"
#include "packer/package_faults.h"
#include "pipeline/zip_format.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace mkkolo {

using platform::Say;
using platform::ToDecimal;

ExaminedFile::Opened ExaminedFile::Open() {
    platform::ErrorOr<platform::File> file = platform::File::OpenForReading(m_path);
    if (!file) {
        m_console.Err(platform::IsMissing(file.error())
                          ? Say(u"路径 ", m_path, u" 不存在!\n")
                          : Say(u"无法读取 ", m_path, u": ") + WhyNotOpened(file.error()) + u"!\n");
        return Opened::kUnreadable;
    }
    char signature[pipeline::zip::kSignatureSize] = {};
    const platform::ErrorOr<std::size_t> got = file->Read(signature, sizeof signature);
    const bool zip =
        got && *got == sizeof signature &&
        pipeline::zip::LocalHeader::kSignature == std::string_view(signature, sizeof signature);
    const auto size = file->Size();
    const platform::ErrorOr<void> rewound = file->Seek(0);
    if (!rewound || !size) {
        m_console.Err(Say(u"无法读取 ", m_path, u": ") +
                      platform::Describe(rewound ? size.error() : rewound.error()) + u"!\n");
        return Opened::kUnreadable;
    }
    if (zip || platform::HasExtension(m_path, u".kolo")) {
        m_kolo = std::make_unique<pipeline::KoloReader>();
        if (!m_kolo->Open(std::move(*file))) return Opened::kFaulty;
        m_reader = std::make_unique<quill::PackageReader>(*m_kolo, m_kolo->entry().size);
    } else {
        m_file = std::move(*file);
        m_reader = std::make_unique<quill::PackageReader>(m_source, *size);
    }
    return Opened::kOk;
}

bool ExaminedFile::ReadContents(
    const std::function<bool(std::size_t, const void*, std::size_t)>& sink) {
    const std::size_t count = m_reader->index().entries.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (!m_reader->ReadNextEntry([&](const void* data, std::size_t size) {
                return !platform::InterruptRequested() && sink(i, data, size);
            })) {
            return false;
        }
    }
    return !m_kolo || m_kolo->Finish();
}

std::u16string ExaminedFile::Fault() const {
    if (m_kolo && m_kolo->fault() != pipeline::KoloFault::kNone) return KoloFault();
    const quill::PackageProblem& problem = m_reader->problem();
    if (problem.fault == quill::PackageFault::kReadFailed) {
        if (m_source.error().code == 0) return u"文件在读取时被改动";
        return u"读取失败: " + platform::Describe(m_source.error());
    }
    const std::u16string text = quill::PackageFaultText(problem, m_reader->index().entries.size());
    return m_kolo ? u"压缩包中的 " + EntryName() + u": " + text : text;
}

std::u16string ExaminedFile::EntryName() const {
    const std::string& name = kolo().name;
    return platform::ShowControls(kolo().flags & pipeline::zip::kUtf8NameFlag
                                      ? platform::Utf8ToUtf16(name)
                                      : platform::FromThreadAnsi(name));
}

std::u16string ExaminedFile::KoloFault() const {
    switch (m_kolo->fault()) {
        case pipeline::KoloFault::kNotZip:
            return u"不是 ZIP 压缩包";
        case pipeline::KoloFault::kTruncated:
            return u"压缩包被截断(没有结束记录)";
        case pipeline::KoloFault::kZip64:
            return u"压缩包用了 ZIP64, 不支持";
        case pipeline::KoloFault::kEntryCount:
            return u"压缩包中有 " + ToDecimal(m_kolo->count()) + u" 个文件, 应为 1 个";
        case pipeline::KoloFault::kEncrypted:
            return u"压缩包中的 " + EntryName() + u" 已加密, 不支持";
        case pipeline::KoloFault::kNotDeflated:
            return u"压缩包中的 " + EntryName() + u" 未用 deflate 压缩(压缩方式 " +
                   ToDecimal(kolo().method) + u")";
        case pipeline::KoloFault::kUnsupportedFlag:
            return u"压缩包中的 " + EntryName() + u" 用了不支持的标志位 " +
                   ToDecimal(m_kolo->flagBit());
        case pipeline::KoloFault::kBadData:
            return u"压缩包中的 " + EntryName() + u" 的数据已损坏";
        case pipeline::KoloFault::kBadCrc:
            return u"压缩包中的 " + EntryName() + u" 的 CRC 校验失败";
        case pipeline::KoloFault::kReadFailed:
        case pipeline::KoloFault::kNone:
            break;
    }
    return u"读取失败: " + platform::Describe(m_kolo->systemError());
}

platform::Message Faulty(const std::u16string& path, const std::u16string& fault) {
    return Say(u"文件 ", path, u" 有误: ") + fault + u"!\n";
}

}  // namespace mkkolo

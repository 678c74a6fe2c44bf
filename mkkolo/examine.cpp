#include "mkkolo/examine.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>

#include "mkkolo/exit_status.h"
#include "mkkolo/inputs.h"
#include "packer/package_reader.h"
#include "pipeline/kolo_reader.h"
#include "pipeline/skin_jobs.h"
#include "platform/atomic_file.h"
#include "platform/files.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace mkkolo {

using platform::Message;
using platform::Say;
namespace {

using platform::ToDecimal;

std::u16string Ordinal(std::size_t entry) {
    return u"第 " + ToDecimal(entry + 1) + u" 项";
}

std::u16string SectionName(quill::PackageSection section) {
    switch (section) {
        case quill::PackageSection::kHeader:
            return u"文件头";
        case quill::PackageSection::kNameBlock:
            return u"包名块";
        case quill::PackageSection::kIndexTable:
            return u"索引表";
        case quill::PackageSection::kNameTable:
            return u"名称表";
        case quill::PackageSection::kTerminator:
            return u"结束标记";
        case quill::PackageSection::kContents:
            break;
    }
    return u"文件内容";
}

// What is wrong with a package of `count` entries, in a person's words.
std::u16string PackageFaultText(const quill::PackageProblem& p, std::size_t count) {
    const std::u16string found = ToDecimal(p.found), expected = ToDecimal(p.expected);
    switch (p.fault) {
        case quill::PackageFault::kTruncated:
            return u"文件只有 " + found + u" 字节, 在" + SectionName(p.section) +
                   u"中截断(应至少有 " + expected + u" 字节)";
        case quill::PackageFault::kBadMagic:
            return u"开头不是 QUIL, 不是包文件";
        case quill::PackageFault::kBadVersion:
            return u"版本为 " + found + u", 只认识版本 1";
        case quill::PackageFault::kReservedNotZero:
            return u"文件头的保留字不为 0";
        case quill::PackageFault::kNameTooLong:
            return u"包名长 " + found + u" 字节, 最多 1016 字节";
        case quill::PackageFault::kBadIndexLength:
            return u"索引表长度 " + found + u" 无效";
        case quill::PackageFault::kNameOffset:
            return Ordinal(p.entry) + u"的名称偏移为 " + found + u", 应为 " + expected;
        case quill::PackageFault::kBadName:
            return Ordinal(p.entry) + u"的名称不是有效的 UTF-16";
        case quill::PackageFault::kNameTableSize:
            return u"名称表大小为 " + found + u", 应为 " + expected;
        case quill::PackageFault::kEndNameOffset:
            return u"结束项的名称偏移为 " + found + u", 应为 " + expected;
        case quill::PackageFault::kTerminatorNotZero:
            return u"结束标记为 " + found + u", 应为 0";
        case quill::PackageFault::kFirstDataOffset:
            return Ordinal(0) + u"的数据偏移为 " + found + u", 应为 " + expected;
        case quill::PackageFault::kDataOffsetBack:
            return (p.entry == count ? u"结束项" : Ordinal(p.entry)) + u"的数据偏移 " + found +
                   u" 小于前一项的 " + expected;
        case quill::PackageFault::kLength:
            return u"结束项的数据偏移为 " + found + u", 文件长度为 " + expected;
        case quill::PackageFault::kReadFailed:
        case quill::PackageFault::kStopped:
        case quill::PackageFault::kNone:
            break;
    }
    return {};
}

using platform::ShowControls;

std::u16string TwoDigits(unsigned value) {
    std::u16string digits = ToDecimal(value);
    if (digits.size() < 2) digits.insert(digits.begin(), u'0');
    return digits;
}

std::u16string DateText(const pipeline::KoloEntryInfo& e) {
    return ToDecimal(e.year) + u"-" + TwoDigits(e.month) + u"-" + TwoDigits(e.day) + u" " +
           TwoDigits(e.hour) + u":" + TwoDigits(e.minute) + u":" + TwoDigits(e.second);
}

class FileSource final : public quill::ByteSource {
  public:
    explicit FileSource(platform::File& file) : m_file(file) {}
    bool Read(void* buffer, std::size_t capacity, std::size_t& got) override {
        if (m_file.Read(buffer, capacity, got) == platform::IoResult::kOk) return true;
        m_error = platform::LastSystemError();
        return false;
    }
    platform::SystemError error() const { return m_error; }

  private:
    platform::File& m_file;
    platform::SystemError m_error;
};

// One file looked inside: the package is the file itself, or a .kolo's one
// entry.
class Subject {
  public:
    Subject(const std::u16string& path, platform::Console& console)
        : m_path(path), m_console(console) {}

    enum class Opened { kOk, kUnreadable, kFaulty };
    // Says why when the file cannot be read.
    Opened Open() {
        platform::OpenError error;
        platform::File file = platform::File::OpenForReading(m_path, &error);
        if (!file.IsOpen()) {
            m_console.Err(error.failure == platform::OpenFailure::kMissing
                              ? Say(u"路径 ", m_path, u" 不存在!\n")
                              : u"无法读取 " + m_path + u": " + WhyNotOpened(error) + u"!\n");
            return Opened::kUnreadable;
        }
        char signature[4] = {};
        std::size_t got = 0;
        const bool zip = file.Read(signature, sizeof signature, got) == platform::IoResult::kOk &&
                         got == sizeof signature && std::memcmp(signature, "PK\3\4", 4) == 0;
        const auto size = file.Size();
        if (!file.Seek(0) || !size) {
            m_console.Err(Say(u"无法读取 ", m_path, u": ") +
                          platform::Describe(platform::LastSystemError()) + u"!\n");
            return Opened::kUnreadable;
        }
        if (zip || platform::HasExtension(m_path, u".kolo")) {
            m_kolo = std::make_unique<pipeline::KoloReader>();
            if (!m_kolo->Open(std::move(file))) return Opened::kFaulty;
            m_reader = std::make_unique<quill::PackageReader>(*m_kolo, m_kolo->entry().size);
        } else {
            m_file = std::move(file);
            m_reader = std::make_unique<quill::PackageReader>(m_source, *size);
        }
        return Opened::kOk;
    }

    bool IsKolo() const { return m_kolo != nullptr; }
    const pipeline::KoloEntryInfo& kolo() const { return m_kolo->entry(); }
    quill::PackageReader& reader() { return *m_reader; }

    // Every entry's contents into `sink` (which is told whose), then the
    // archive's CRC.
    bool ReadContents(const std::function<bool(std::size_t, const void*, std::size_t)>& sink) {
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

    // What is wrong, after a failure.
    std::u16string Fault() const {
        if (m_kolo && m_kolo->fault() != pipeline::KoloFault::kNone) return KoloFault();
        const quill::PackageProblem& problem = m_reader->problem();
        if (problem.fault == quill::PackageFault::kReadFailed) {
            if (m_source.error().code == 0) return u"文件在读取时被改动";
            return u"读取失败: " + platform::Describe(m_source.error());
        }
        const std::u16string text = PackageFaultText(problem, m_reader->index().entries.size());
        return m_kolo ? u"压缩包中的 " + EntryName() + u": " + text : text;
    }

    std::u16string EntryName() const {
        const std::string& name = kolo().name;
        return ShowControls(kolo().flags & pipeline::kUtf8NameZipFlag
                                ? platform::Utf8ToUtf16(name)
                                : platform::FromThreadAnsi(name));
    }

  private:
    std::u16string KoloFault() const {
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

    const std::u16string& m_path;
    platform::Console& m_console;
    platform::File m_file;
    FileSource m_source{m_file};
    std::unique_ptr<pipeline::KoloReader> m_kolo;
    std::unique_ptr<quill::PackageReader> m_reader;
};

Message Faulty(const std::u16string& path, const std::u16string& fault) {
    return Say(u"文件 ", path, u" 有误: ") + fault + u"!\n";
}

bool List(Subject& subject, const std::u16string& path, platform::Console& console) {
    if (!subject.reader().ReadIndex()) {
        console.Err(Faulty(path, subject.Fault()));
        return false;
    }
    Message text = Message::Name(path) + u":\n";
    if (subject.IsKolo()) {
        const pipeline::KoloEntryInfo& entry = subject.kolo();
        text += u"  " + subject.EntryName() + u"\t" + ToDecimal(entry.size) + u" 字节, 压缩后 " +
                ToDecimal(entry.compressedSize) + u" 字节, deflate, " + DateText(entry) + u"\n";
    }
    const quill::PackageIndex& index = subject.reader().index();
    text += u"  包名 " + ShowControls(platform::FromThreadAnsi(index.name)) + u", " +
            ToDecimal(index.entries.size()) + u" 个文件:\n";
    for (const quill::PackageEntryInfo& entry : index.entries) {
        text += u"    " + ShowControls(entry.name) + u"\t" + ToDecimal(entry.size) + u" 字节\n";
    }
    console.Out(text);
    return true;
}

bool Test(Subject& subject, const std::u16string& path, platform::Console& console) {
    const bool whole =
        subject.reader().ReadIndex() &&
        subject.ReadContents([](std::size_t, const void*, std::size_t) { return true; });
    if (platform::InterruptRequested()) return false;
    console.Out(whole ? Say(u"文件 ", path, u" 完好.\n") : Faulty(path, subject.Fault()));
    return whole;
}

// An entry on its way out: written under a temporary name, given its own
// once the whole source has been read and found right.
struct Outgoing {
    std::u16string target;
    std::unique_ptr<platform::AtomicFile> file;
    bool failed = false;
};

class Extractor {
  public:
    // `extracted`: the files this run has extracted so far, by their
    // names folded to one case.
    Extractor(const InspectSettings& settings, platform::Console& console,
              std::map<std::u16string, std::u16string>& extracted)
        : m_settings(settings), m_console(console), m_extracted(extracted) {}

    bool Extract(Subject& subject, const std::u16string& path) {
        if (!subject.reader().ReadIndex()) {
            m_console.Err(Faulty(path, subject.Fault()));
            return false;
        }
        bool ok = Plan(subject.reader().index(), path);
        const bool read =
            subject.ReadContents([&](std::size_t entry, const void* data, std::size_t size) {
                // Done with, the entry before lets go of its handle.
                if (entry != m_writing && m_writing < m_outgoing.size()) {
                    Seal(m_outgoing[m_writing]);
                }
                m_writing = entry;
                Outgoing& out = m_outgoing[entry];
                if (!out.file && !out.target.empty()) Create(out);
                if (out.file && !out.failed &&
                    out.file->file().Write(data, size) != platform::IoResult::kOk) {
                    Failed(out, u"写入文件 ", u" 失败: ", platform::LastSystemError());
                }
                return true;
            });
        if (!read) {
            if (!platform::InterruptRequested()) m_console.Err(Faulty(path, subject.Fault()));
            return false;
        }
        for (Outgoing& out : m_outgoing) {
            // Empty entries never reached the sink.
            if (!out.file && !out.target.empty()) Create(out);
            if (!out.file || out.failed) {
                ok = ok && out.target.empty();
                continue;
            }
            const auto committed =
                out.file->Commit(m_settings.force ? platform::AtomicFile::Existing::kReplace
                                                  : platform::AtomicFile::Existing::kKeep);
            if (committed == platform::AtomicFile::CommitResult::kOk) {
                m_extracted.emplace(platform::FoldCase(platform::FindFileName(out.target)),
                                    out.target);
                m_console.Out(Say(u"已解出 ", out.target, u"\n"));
            } else {
                ok = false;
                if (committed == platform::AtomicFile::CommitResult::kTargetExists) {
                    m_console.Err(Exists(out.target));
                } else {
                    Failed(out, u"写入文件 ", u" 失败: ", out.file->error());
                }
            }
        }
        return ok;
    }

  private:
    static Message Exists(const std::u16string& target) {
        return Say(u"文件 ", target, u" 已存在, 未解出(可用 --force 覆盖)!\n");
    }

    // Which entries go where; says why of those that do not.
    bool Plan(const quill::PackageIndex& index, const std::u16string& path) {
        bool ok = true;
        m_outgoing.clear();
        m_outgoing.resize(index.entries.size());
        // The first entry of each name, ignoring letter case: where case does
        // not count, the later ones would land on it.
        std::map<std::u16string, std::size_t> first;
        for (std::size_t i = 0; i < index.entries.size(); ++i) {
            const std::u16string& name = index.entries[i].name;
            const Message about = Say(u"文件 ", path, u" 中") + Ordinal(i);
            if (!platform::IsPortableFileName(name)) {
                m_console.Err(about + u"的名称 " + Message::Name(ShowControls(name)) +
                              u" 不能用作文件名, 未解出!\n");
                ok = false;
                continue;
            }
            const std::u16string key = platform::FoldCase(name);
            const auto [earlier, isFirst] = first.emplace(key, i);
            if (!isFirst) {
                m_console.Err(about + u" " + Message::Name(name) + u" 与" +
                              Ordinal(earlier->second) + u"同名, 未解出!\n");
                ok = false;
                continue;
            }
            // What this run extracted stays, --force or not.
            if (const auto extracted = m_extracted.find(key); extracted != m_extracted.end()) {
                m_console.Err(about + u" " + Message::Name(name) + u" 与已解出的 " +
                              Message::Name(extracted->second) + u" 同名, 未解出!\n");
                ok = false;
                continue;
            }
            const std::u16string target = m_settings.outputDir + platform::kPathSeparator + name;
            if (!m_settings.force && platform::KindOfPath(target) != platform::PathKind::kMissing) {
                m_console.Err(Exists(target));
                ok = false;
                continue;
            }
            m_outgoing[i].target = target;
        }
        return ok;
    }

    void Create(Outgoing& out) {
        out.file = std::make_unique<platform::AtomicFile>(out.target);
        if (!out.file->IsOpen()) Failed(out, u"无法创建文件 ", u": ", out.file->error());
    }

    void Seal(Outgoing& out) {
        if (out.file && !out.failed &&
            out.file->Seal() != platform::AtomicFile::CommitResult::kOk) {
            Failed(out, u"写入文件 ", u" 失败: ", out.file->error());
        }
    }

    void Failed(Outgoing& out, std::u16string_view before, std::u16string_view after,
                platform::SystemError error) {
        out.failed = true;
        m_console.Err(Say(before, out.target, after) + platform::Describe(error) + u"!\n");
    }

    const InspectSettings& m_settings;
    platform::Console& m_console;
    std::map<std::u16string, std::u16string>& m_extracted;
    std::vector<Outgoing> m_outgoing;
    std::size_t m_writing = SIZE_MAX;  // the entry whose contents come in
};

}  // namespace

int InspectFiles(const std::vector<std::u16string>& files, const InspectSettings& settings,
                 platform::Console& console) {
    bool ok = true;
    std::map<std::u16string, std::u16string> extracted;
    for (const std::u16string& path : files) {
        if (platform::InterruptRequested()) break;
        Subject subject(path, console);
        switch (subject.Open()) {
            case Subject::Opened::kUnreadable:
                ok = false;
                continue;
            case Subject::Opened::kFaulty:
                (settings.what == Inspection::kTest ? console.Out(Faulty(path, subject.Fault()))
                                                    : console.Err(Faulty(path, subject.Fault())));
                ok = false;
                continue;
            case Subject::Opened::kOk:
                break;
        }
        switch (settings.what) {
            case Inspection::kList:
                ok = List(subject, path, console) && ok;
                break;
            case Inspection::kTest:
                ok = Test(subject, path, console) && ok;
                break;
            case Inspection::kExtract:
                ok = Extractor(settings, console, extracted).Extract(subject, path) && ok;
                break;
        }
    }
    if (platform::InterruptRequested()) return kExitInterrupted;
    // What -l, -t and -x print is what they were asked for: it must arrive.
    if (const auto failure = console.OutFailure()) {
        console.Err(u"写入标准输出失败: " + platform::Describe(*failure) + u"!\n");
        return kExitFailed;
    }
    return ok ? kExitOk : kExitFailed;
}

}  // namespace mkkolo

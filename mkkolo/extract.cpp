#include "mkkolo/extract.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "packer/package_faults.h"
#include "platform/atomic_file.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace mkkolo {
namespace {

using platform::Message;
using platform::Say;

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
    Extractor(const std::u16string& folder, bool force, platform::Console& console,
              std::map<std::u16string, std::u16string>& extracted)
        : m_folder(folder), m_force(force), m_console(console), m_extracted(extracted) {}

    bool Extract(ExaminedFile& subject, const std::u16string& path) {
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
                Create(out);
                if (out.file && !out.failed) {
                    if (const auto written = out.file->file().Write(data, size); !written)
                        Failed(out, u"写入文件 ", u" 失败: ", written.error());
                }
                return true;
            });
        if (!read) {
            if (!platform::InterruptRequested()) m_console.Err(Faulty(path, subject.Fault()));
            return false;
        }
        for (Outgoing& out : m_outgoing) {
            // Empty entries never reached the sink.
            Create(out);
            if (!out.file || out.failed) {
                ok = ok && out.target.empty();
                continue;
            }
            const auto committed =
                out.file->Commit(m_force ? platform::AtomicFile::Existing::kReplace
                                         : platform::AtomicFile::Existing::kKeep);
            if (committed) {
                m_extracted.emplace(platform::FoldCase(platform::FindFileName(out.target)),
                                    out.target);
                m_console.Out(Say(u"已解出 ", out.target, u"\n"));
            } else {
                ok = false;
                // Only a move that keeps what it finds refuses for it: one
                // that replaces fails with the same code onto a folder that
                // holds files, which is told as any failure to write.
                if (!m_force && platform::AlreadyExists(committed.error())) {
                    m_console.Err(Exists(out.target));
                } else {
                    Failed(out, u"写入文件 ", u" 失败: ", committed.error());
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
            const Message about = Say(u"文件 ", path, u" 中") + quill::Ordinal(i);
            if (!platform::IsPortableFileName(name)) {
                m_console.Err(about + u"的名称 " + Message::Name(platform::ShowControls(name)) +
                              u" 不能用作文件名, 未解出!\n");
                ok = false;
                continue;
            }
            const std::u16string key = platform::FoldCase(name);
            const auto [earlier, isFirst] = first.emplace(key, i);
            if (!isFirst) {
                m_console.Err(about + u" " + Message::Name(name) + u" 与" +
                              quill::Ordinal(earlier->second) + u"同名, 未解出!\n");
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
            const std::u16string target = m_folder + platform::kPathSeparator + name;
            if (!m_force && platform::KindOfPath(target) != platform::PathKind::kMissing) {
                m_console.Err(Exists(target));
                ok = false;
                continue;
            }
            m_outgoing[i].target = target;
        }
        return ok;
    }

    // The entry's file, once: an entry planned out, or whose file could not
    // be made, gets none.
    void Create(Outgoing& out) {
        if (out.file || out.failed || out.target.empty()) return;
        platform::ErrorOr<platform::AtomicFile> file = platform::AtomicFile::Create(out.target);
        if (!file) return Failed(out, u"无法创建文件 ", u": ", file.error());
        out.file = std::make_unique<platform::AtomicFile>(std::move(*file));
    }

    void Seal(Outgoing& out) {
        if (!out.file || out.failed) return;
        if (const auto sealed = out.file->Seal(); !sealed)
            Failed(out, u"写入文件 ", u" 失败: ", sealed.error());
    }

    void Failed(Outgoing& out, std::u16string_view before, std::u16string_view after,
                platform::SystemError error) {
        out.failed = true;
        m_console.Err(Say(before, out.target, after) + platform::Describe(error) + u"!\n");
    }

    const std::u16string& m_folder;
    const bool m_force;
    platform::Console& m_console;
    std::map<std::u16string, std::u16string>& m_extracted;
    std::vector<Outgoing> m_outgoing;
    std::size_t m_writing = SIZE_MAX;  // the entry whose contents come in
};

}  // namespace

bool Extraction::Extract(ExaminedFile& file, const std::u16string& path) {
    return Extractor(m_folder, m_force, m_console, m_extracted).Extract(file, path);
}

}  // namespace mkkolo

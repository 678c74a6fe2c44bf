// A file that -l, -t or -x look inside: a .kolo (by its extension, or a ZIP
// archive's signature) whose one entry is a package, or else a package.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "packer/package_reader.h"
#include "pipeline/kolo_reader.h"
#include "platform/console.h"
#include "platform/files.h"

namespace mkkolo {

class ExaminedFile {
  public:
    // `path` and `console` must outlive the object.
    ExaminedFile(const std::u16string& path, platform::Console& console)
        : m_path(path), m_console(console) {}

    enum class Opened { kOk, kUnreadable, kFaulty };
    // Opens the file and tells a .kolo from a package; says why when the
    // file cannot be read.
    Opened Open();

    bool IsKolo() const { return m_kolo != nullptr; }
    const pipeline::KoloEntryInfo& kolo() const { return m_kolo->entry(); }
    quill::PackageReader& reader() { return *m_reader; }

    // Every entry's contents into `sink` (which is told whose), then the
    // archive's CRC.
    bool ReadContents(const std::function<bool(std::size_t, const void*, std::size_t)>& sink);

    // What is wrong, after a failure.
    std::u16string Fault() const;
    // The .kolo entry's name as it can be shown.
    std::u16string EntryName() const;

  private:
    std::u16string KoloFault() const;

    const std::u16string& m_path;
    platform::Console& m_console;
    platform::File m_file;
    quill::FileSource m_source{m_file};
    std::unique_ptr<pipeline::KoloReader> m_kolo;
    std::unique_ptr<quill::PackageReader> m_reader;
};

// "File <path> is faulty: <fault>!"
platform::Message Faulty(const std::u16string& path, const std::u16string& fault);

}  // namespace mkkolo

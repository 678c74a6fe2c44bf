#include "mkkolo/examine.h"

#include <vector>

#include "mkkolo/examined_file.h"
#include "mkkolo/exit_status.h"
#include "mkkolo/extract.h"
#include "mkkolo/output.h"
#include "pipeline/skin_checks.h"
#include "pipeline/skin_words.h"
#include "platform/interrupt.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace mkkolo {
namespace {

using platform::Message;
using platform::Say;
using platform::ToDecimal;

std::u16string TwoDigits(unsigned value) {
    std::u16string digits = ToDecimal(value);
    if (digits.size() < 2) digits.insert(digits.begin(), u'0');
    return digits;
}

std::u16string DateText(const pipeline::KoloEntryInfo& e) {
    return ToDecimal(e.year) + u"-" + TwoDigits(e.month) + u"-" + TwoDigits(e.day) + u" " +
           TwoDigits(e.hour) + u":" + TwoDigits(e.minute) + u":" + TwoDigits(e.second);
}

// Reads every entry's contents through the check its name calls for, the
// archive's CRC included; the warnings about the file, the skin named after
// it, go into `warnings`.
bool ReadCheckingEntries(ExaminedFile& subject, const std::u16string& path, Message& warnings) {
    std::vector<pipeline::FileCheck> checks;
    for (const quill::PackageEntryInfo& entry : subject.reader().index().entries)
        checks.emplace_back(entry.name);
    if (!subject.ReadContents([&](std::size_t entry, const void* data, std::size_t size) {
            checks[entry].Feed({static_cast<const char*>(data), size});
            return true;
        })) {
        return false;
    }
    for (pipeline::FileCheck& check : checks) {
        if (const auto fault = check.Finish())
            warnings += pipeline::WarningText(platform::SkinFileName(path),
                                              pipeline::FaultOf(*fault), u"\n");
    }
    return true;
}

bool List(ExaminedFile& subject, const std::u16string& path, Message& warnings,
          platform::Console& console) {
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
    text += u"  包名 " + platform::ShowControls(platform::FromThreadAnsi(index.name)) + u", " +
            ToDecimal(index.entries.size()) + u" 个文件:\n";
    for (const quill::PackageEntryInfo& entry : index.entries) {
        text += u"    " + platform::ShowControls(entry.name) + u"\t" + ToDecimal(entry.size) +
                u" 字节\n";
    }
    console.Out(text);
    // The contents are read for their checks: a fault found there is one.
    if (ReadCheckingEntries(subject, path, warnings)) return true;
    if (!platform::InterruptRequested()) console.Err(Faulty(path, subject.Fault()));
    return false;
}

bool Test(ExaminedFile& subject, const std::u16string& path, Message& warnings,
          platform::Console& console) {
    const bool whole = subject.reader().ReadIndex() && ReadCheckingEntries(subject, path, warnings);
    if (platform::InterruptRequested()) return false;
    console.Out(whole ? Say(u"文件 ", path, u" 完好.\n") : Faulty(path, subject.Fault()));
    return whole;
}

}  // namespace

int InspectFiles(const std::vector<std::u16string>& files, const InspectSettings& settings,
                 platform::Console& console) {
    bool ok = true;
    Extraction extraction(settings.outputDir, settings.force, console);
    for (const std::u16string& path : files) {
        if (platform::InterruptRequested()) break;
        ExaminedFile subject(path, console);
        switch (subject.Open()) {
            case ExaminedFile::Opened::kUnreadable:
                ok = false;
                continue;
            case ExaminedFile::Opened::kFaulty:
                (settings.what == Inspection::kTest ? console.Out(Faulty(path, subject.Fault()))
                                                    : console.Err(Faulty(path, subject.Fault())));
                ok = false;
                continue;
            case ExaminedFile::Opened::kOk:
                break;
        }
        Message warnings;
        switch (settings.what) {
            case Inspection::kList:
                ok = List(subject, path, warnings, console) && ok;
                break;
            case Inspection::kTest:
                ok = Test(subject, path, warnings, console) && ok;
                break;
            case Inspection::kExtract:
                ok = extraction.Extract(subject, path) && ok;
                break;
        }
        if (!warnings.empty()) {
            console.Err(warnings);
            if (settings.strict) ok = false;
        }
    }
    if (platform::InterruptRequested()) return kExitInterrupted;
    // What -l, -t and -x print is what they were asked for: it must arrive.
    if (!OutputArrived(console)) return kExitFailed;
    return ok ? kExitOk : kExitFailed;
}

}  // namespace mkkolo

#include "mkkolo/json_report.h"

#include <nlohmann/json.hpp>

#include "mkkolo/check_warnings.h"
#include "platform/text.h"

namespace mkkolo {
namespace {

using Json = nlohmann::ordered_json;
using Kind = PairingWarning::Kind;

// A name or a path, in UTF-8. One that Unicode cannot hold whole (bytes
// that the locale does not decode, carried as U+DC80..U+DCFF; an unpaired
// UTF-16 unit on Windows) has U+FFFD in their place, and `<key>_bytes` gives
// it as the system holds it, in hexadecimal, for a script to reopen it.
void PutName(Json& object, const std::string& key, std::u16string_view name) {
    object[key] = platform::Utf16ToUnicodeUtf8(name);
    if (platform::IsValidUtf16(name)) return;
    std::string hex;
    for (const char byte : platform::SystemNameBytes(name))
        platform::AppendHex(hex, static_cast<unsigned char>(byte), 2);
    object[key + "_bytes"] = hex;
}

// Words as one text, each character as it is (the document escapes what it
// must), without the line ends around them.
std::string Text(const platform::Message& words) {
    const std::u16string text = words.Plain();
    const std::size_t first = text.find_first_not_of(u'\n');
    if (first == std::u16string::npos) return {};
    return platform::Utf16ToUnicodeUtf8(
        std::u16string_view(text).substr(first, text.find_last_not_of(u'\n') + 1 - first));
}

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::kUnused:
            return "unused_file";
        case Kind::kReplaced:
            return "replaced_file";
        case Kind::kSameKind:
            return "same_extension";
        case Kind::kTwoFolders:
            return "two_folders";
        case Kind::kEmpty:
            return "empty_file";
        case Kind::kSameFile:
            return "same_file";
    }
    return "";
}

Json Warnings(const std::vector<PairingWarning>& pairing, const std::u16string& skin,
              const std::vector<pipeline::FileFault>& faults) {
    Json warnings = Json::array();
    for (const PairingWarning& warning : pairing) {
        warnings.push_back(
            {{"kind", KindName(warning.kind)}, {"text", Text(WarningText(warning))}});
    }
    for (const pipeline::FileFault& fault : faults) {
        const bool layout = fault.kind == pipeline::FileFault::Kind::kNotWellFormed;
        Json warning = {{"kind", layout ? "layout_not_well_formed" : "not_multi_bitmap"},
                        {"text", Text(FaultText(skin, fault))}};
        if (layout) {
            warning["line"] = fault.layout.line;
            warning["column"] = fault.layout.column;
            warning["reason"] =
                platform::Utf16ToUnicodeUtf8(platform::Utf8ToUtf16(fault.layout.reason));
        }
        warnings.push_back(std::move(warning));
    }
    return warnings;
}

// The control characters that nlohmann-json leaves as they are (DEL and C1;
// it escapes those of C0 in strings, and its own line ends between members
// are no text) as \u escapes, which JSON allows for any character.
std::string WithoutRawControls(const std::string& json) {
    std::u16string out;
    for (const char16_t c : platform::Utf8ToUtf16(json)) {
        if (platform::IsControl(c) && c != u'\n') {
            out += u"\\u";
            platform::AppendHex(out, c, 4);
        } else {
            out += c;
        }
    }
    return platform::Utf16ToUnicodeUtf8(out);
}

}  // namespace

std::string JsonReport(const Pairing& pairing,
                       const std::vector<std::optional<JobOutcome>>& outcomes, bool dryRun) {
    Json skins = Json::array();
    std::size_t made = 0, failed = 0;
    for (std::size_t i = 0; i < pairing.jobs.size(); ++i) {
        if (!outcomes[i]) continue;
        const JobOutcome& outcome = *outcomes[i];
        const std::u16string& name = pairing.jobs[i].strName;
        ++(outcome.made ? made : failed);
        Json skin;
        PutName(skin, "name", name);
        skin["status"] =
            outcome.made ? (dryRun ? "would make" : "made") : (dryRun ? "would fail" : "failed");
        if (outcome.made) PutName(skin, "kolo", outcome.koloPath);
        Json inputs = Json::array();
        for (const pipeline::InputFile* file :
             {&pairing.files[i].first, &pairing.files[i].second}) {
            if (file->path.empty()) continue;
            Json input;
            PutName(input, "path", file->path);
            input["size"] = file->size ? Json(*file->size) : Json(nullptr);
            inputs.push_back(std::move(input));
        }
        skin["inputs"] = std::move(inputs);
        if (outcome.made && !dryRun) {
            skin["package_size"] = outcome.packageSize;
            skin["kolo_size"] = outcome.koloSize;
        }
        skin["warnings"] = Warnings(pairing.warnings[i], name, outcome.faults);
        if (!outcome.made) skin["message"] = Text(outcome.message);
        skins.push_back(std::move(skin));
    }
    const Json report = {{"skins", std::move(skins)}, {"made", made}, {"failed", failed}};
    return WithoutRawControls(report.dump(2)) + "\n";
}

}  // namespace mkkolo

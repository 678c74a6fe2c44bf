#include "mkkolo/json_report.h"

#include <nlohmann/json.hpp>

#include "pipeline/skin_words.h"
#include "platform/text.h"

namespace mkkolo {
namespace {

using Json = nlohmann::ordered_json;
using Kind = pipeline::Fault::Kind;
using Status = pipeline::SkinStatus;

// The words of the texts that the document carries beside each fault, as
// mkkolo prints them.
constexpr pipeline::Wording kWording{u"\n", true, true};

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

const char* StatusName(Status status) {
    switch (status) {
        case Status::kMade:
            return "made";
        case Status::kMadeWithWarnings:
            return "made_with_warnings";
        case Status::kWouldMake:
            return "would_make";
        case Status::kHeldBack:
            return "held_back";
        case Status::kRefused:
            return "refused";
        case Status::kFailed:
            return "failed";
        case Status::kInterrupted:
            return "interrupted";
    }
    return "";
}

Json Warning(const pipeline::SkinVerdict& verdict, const pipeline::Fault& fault) {
    Json warning = {{"kind", KindName(fault.kind)},
                    {"text", Text(pipeline::WarningText(verdict.name, fault, u"\n"))}};
    if (fault.kind == Kind::kLayoutNotWellFormed) {
        warning["line"] = fault.layout.line;
        warning["column"] = fault.layout.column;
        warning["reason"] =
            platform::Utf16ToUnicodeUtf8(platform::Utf8ToUtf16(fault.layout.reason));
        if (fault.layout.looksLikeGb18030) warning["hint"] = "declare_gbk";
    }
    return warning;
}

Json Error(const pipeline::SkinVerdict& verdict, const pipeline::Fault& fault) {
    Json error = {{"kind", KindName(fault.kind)},
                  {"text", Text(pipeline::FailureText(verdict, fault, kWording))}};
    switch (fault.kind) {
        case Kind::kMissingLayout:
        case Kind::kMissingBundle:
        case Kind::kMissingFiles: {
            Json files = Json::array();
            for (const std::u16string& path : fault.paths) {
                Json file;
                PutName(file, "path", path);
                files.push_back(std::move(file));
            }
            error["files"] = std::move(files);
            if (fault.completion) {
                Json completion;
                PutName(completion, "path", fault.completion->path);
                completion["given"] = fault.completion->named;
                error["completion"] = std::move(completion);
            }
            break;
        }
        case Kind::kInputIsOutput:
        case Kind::kInputIgnored:
        case Kind::kKoloTooLarge:
        case Kind::kKoloNotAsWritten:
            PutName(error, "path", fault.paths[0]);
            break;
        default:
            break;
    }
    return error;
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

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::kUnusedFile:
            return "unused_file";
        case Kind::kReplacedFile:
            return "replaced_file";
        case Kind::kSameExtension:
            return "same_extension";
        case Kind::kTwoFolders:
            return "two_folders";
        case Kind::kEmptyFile:
            return "empty_file";
        case Kind::kSameFile:
            return "same_file";
        case Kind::kLayoutNotWellFormed:
            return "layout_not_well_formed";
        case Kind::kNotMultiBitmap:
            return "not_multi_bitmap";
        case Kind::kMissingLayout:
            return "missing_layout";
        case Kind::kMissingBundle:
            return "missing_bundle";
        case Kind::kMissingFiles:
            return "missing_files";
        case Kind::kInputIsOutput:
            return "input_is_output";
        case Kind::kDeviceName:
            return "device_name";
        case Kind::kMbmNotPrepared:
            return "mbm_not_prepared";
        case Kind::kPackerNotStarted:
            return "packer_not_started";
        case Kind::kPackerFailed:
            return "packer_failed";
        case Kind::kKoloFailed:
            return "kolo_failed";
        case Kind::kKoloTooLarge:
            return "kolo_too_large";
        case Kind::kKoloNotAsWritten:
            return "kolo_not_as_written";
        case Kind::kInputIgnored:
            return "input_ignored";
        case Kind::kHeldBack:
            return "held_back";
    }
    return "";
}

std::string JsonReport(const std::vector<pipeline::SkinVerdict>& verdicts, bool dryRun) {
    Json skins = Json::array();
    std::size_t made = 0, failed = 0;
    for (const pipeline::SkinVerdict& verdict : verdicts) {
        if (verdict.status == Status::kInterrupted) continue;
        const bool good = verdict.Made() || verdict.status == Status::kWouldMake;
        ++(good ? made : failed);
        Json skin;
        PutName(skin, "name", verdict.name);
        PutName(skin, "folder", verdict.folder);
        skin["status"] =
            good ? (dryRun ? "would make" : "made") : (dryRun ? "would fail" : "failed");
        skin["outcome"] = StatusName(verdict.status);
        if (good) PutName(skin, "kolo", verdict.koloPath);
        Json inputs = Json::array();
        for (const pipeline::InputFile* file : {&verdict.first, &verdict.second}) {
            if (file->path.empty()) continue;
            Json input;
            PutName(input, "path", file->path);
            input["size"] = file->size ? Json(*file->size) : Json(nullptr);
            inputs.push_back(std::move(input));
        }
        skin["inputs"] = std::move(inputs);
        if (verdict.Made()) {
            skin["package_size"] = verdict.packageSize;
            skin["kolo_size"] = verdict.koloSize;
        }
        Json warnings = Json::array(), errors = Json::array();
        for (const pipeline::Fault& fault : verdict.faults) {
            if (pipeline::IsWarning(fault.kind)) {
                warnings.push_back(Warning(verdict, fault));
            } else {
                errors.push_back(Error(verdict, fault));
            }
        }
        skin["warnings"] = std::move(warnings);
        skin["errors"] = std::move(errors);
        if (const pipeline::Fault* failure = verdict.Failure()) {
            skin["message"] = Text(pipeline::PackerWords(verdict, false, u"\n") +
                                   pipeline::FailureText(verdict, *failure, kWording));
        }
        skins.push_back(std::move(skin));
    }
    const Json report = {{"skins", std::move(skins)}, {"made", made}, {"failed", failed}};
    return WithoutRawControls(report.dump(2)) + "\n";
}

}  // namespace mkkolo

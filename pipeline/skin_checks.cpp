#include "pipeline/skin_checks.h"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

#include "platform/files.h"
#include "platform/little_endian.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace pipeline {
namespace {

// The encodings that are decoded before expat reads them, as a declaration
// names them (in any case).
constexpr std::u16string_view kGb18030Names[] = {u"GB18030", u"GBK", u"GB2312"};

// Put where decoding stopped: a UTF-8 continuation byte with nothing to
// continue, at which expat faults wherever it stands, first byte included.
constexpr char kStandIn = '\x80';

// Deeper than any real layout: a layout nested further is a fault, read no
// further, so that a check holds a bounded number of open elements (expat
// keeps each one's name until it closes).
constexpr int kMaxDepth = 4096;
constexpr char kTooDeep[] = "元素嵌套超过 4096 层";

constexpr std::uint32_t kFileStoreUid = 0x10000037;
constexpr std::uint32_t kMultiBitmapUid = 0x10000042;

bool IsGb18030Name(const char* name) {
    const std::u16string named = platform::Utf8ToUtf16(name);
    return std::any_of(
        std::begin(kGb18030Names), std::end(kGb18030Names),
        [&named](std::u16string_view gb) { return platform::EqualIgnoringCase(named, gb); });
}

XML_Parser NewParser(const char* encoding) {
    XML_Parser parser = XML_ParserCreate(encoding);
    if (!parser) throw std::bad_alloc();
    return parser;
}

// XML_Parse, for pieces of any size.
bool Parse(XML_Parser parser, std::string_view bytes, bool final) {
    constexpr std::size_t kPiece = 1 << 30;
    do {
        const std::string_view piece = bytes.substr(0, kPiece);
        bytes.remove_prefix(piece.size());
        if (XML_Parse(parser, piece.data(), static_cast<int>(piece.size()),
                      final && bytes.empty()) != XML_STATUS_OK) {
            return false;
        }
    } while (!bytes.empty());
    return true;
}

// The byte-order marks that expat takes at the start of a document.
bool StartsWithByteOrderMark(std::string_view start) {
    return start.substr(0, 3) == "\xEF\xBB\xBF" || start.substr(0, 2) == "\xFF\xFE" ||
           start.substr(0, 2) == "\xFE\xFF";
}

// Whether bytes read as GB18030, all of them, with at least one that is no
// ASCII character.
class Gb18030Guess {
  public:
    void Feed(std::string_view bytes) {
        if (!m_valid) return;
        m_nonAscii = m_nonAscii || std::any_of(bytes.begin(), bytes.end(), [](char c) {
                         return static_cast<unsigned char>(c) >= 0x80;
                     });
        m_valid = m_decoder.Accepts(bytes);
    }
    bool Holds() const { return m_valid && m_nonAscii && !m_decoder.InCharacter(); }

  private:
    platform::Gb18030Decoder m_decoder;
    bool m_valid = true, m_nonAscii = false;
};

// A fault where expat places it (its column from 0). `marked`: the text
// began with a byte-order mark, which expat counts as a character of the
// first line and editors show as none.
LayoutVerdict FaultAt(XML_Size line, XML_Size column, bool marked, std::string reason) {
    return {false, line, column + (marked && line == 1 ? 0 : 1), std::move(reason)};
}

LayoutVerdict FaultOf(XML_Parser parser, bool marked = false) {
    return FaultAt(XML_GetErrorLineNumber(parser), XML_GetErrorColumnNumber(parser), marked,
                   XML_ErrorString(XML_GetErrorCode(parser)));
}

}  // namespace

// A layout declared as GB18030 (or GBK, GB2312) is read twice from its
// start, but only its start is: expat names the encoding in its
// declaration, which opens the document, and the parser that learns it
// gives way to one that reads the decoded text as UTF-8 (an encoding given
// when a parser is made overrides the declaration). Until the first parser
// has read past where a declaration could end, the bytes fed are kept.
struct LayoutCheck::State {
    State() : parser(NewParser(nullptr)) { Watch(); }
    ~State() { XML_ParserFree(parser); }

    // Counts the open elements, and stops the parser past the deepest a
    // layout may go. The first element read is past any declaration too.
    void CountDepth() {
        depth = 0;
        XML_SetUserData(parser, this);
        XML_SetElementHandler(
            parser,
            [](void* data, const XML_Char*, const XML_Char**) {
                auto* state = static_cast<State*>(data);
                state->settled = true;
                if (++state->depth <= kMaxDepth) return;
                // Where the element starts: stopped, the parser stands behind it.
                state->tooDeepLine = XML_GetCurrentLineNumber(state->parser);
                state->tooDeepColumn = XML_GetCurrentColumnNumber(state->parser);
                XML_StopParser(state->parser, XML_FALSE);
            },
            [](void* data, const XML_Char*) { --static_cast<State*>(data)->depth; });
    }

    // The first parser's handlers: the default handler hears the first
    // thing read other than an element (the declaration, if any), the
    // unknown-encoding handler hears a name that expat does not know.
    void Watch() {
        CountDepth();
        XML_SetDefaultHandlerExpand(parser, [](void* data, const XML_Char*, int) {
            auto* state = static_cast<State*>(data);
            state->settled = true;
            XML_SetDefaultHandlerExpand(state->parser, nullptr);
        });
        XML_SetUnknownEncodingHandler(
            parser,
            [](void* data, const XML_Char* name, XML_Encoding*) {
                auto* state = static_cast<State*>(data);
                if (IsGb18030Name(name)) state->declared = name;
                return static_cast<int>(XML_STATUS_ERROR);
            },
            this);
    }

    // Out of memory (a token too long to hold), the check ends with a fault
    // where the parser stood, and lets go of what it held at once: the
    // package it is made beside goes on.
    void Read(std::string_view bytes, bool final) {
        if (guess) guess->Feed(bytes);
        if (final && faultAsUtf8 && guess->Holds()) verdict->looksLikeGb18030 = true;
        try {
            ReadAll(bytes, final);
        } catch (const std::bad_alloc&) {
            verdict = FaultAt(XML_GetCurrentLineNumber(parser), XML_GetCurrentColumnNumber(parser),
                              !decoder && StartsWithByteOrderMark(start),
                              XML_ErrorString(XML_ERROR_NO_MEMORY));
            XML_ParserFree(parser);
            parser = nullptr;
            std::string().swap(unsettled);
            std::string().swap(decoded);
        }
    }

    // The first fault: the element nested too deep, or where the parser
    // stands.
    LayoutVerdict Fault(bool marked) const {
        if (depth > kMaxDepth) return FaultAt(tooDeepLine, tooDeepColumn, marked, kTooDeep);
        return FaultOf(parser, marked);
    }

    void ReadAll(std::string_view bytes, bool final) {
        if (verdict) return;
        if (decoder) {
            ReadDecoded(bytes, final);
            return;
        }
        if (start.size() < 3) start.append(bytes.substr(0, 3 - start.size()));
        if (Parse(parser, bytes, final)) {
            if (final) verdict = LayoutVerdict{true, 0, 0, {}};
            if (settled)
                std::string().swap(unsettled);
            else
                unsettled.append(bytes);
            return;
        }
        if (declared.empty()) {
            verdict = Fault(StartsWithByteOrderMark(start));
            // Bytes that are no UTF-8 character, unless the text is UTF-16.
            faultAsUtf8 = XML_GetErrorCode(parser) == XML_ERROR_INVALID_TOKEN &&
                          start.substr(0, 2) != "\xFF\xFE" && start.substr(0, 2) != "\xFE\xFF";
            if (!faultAsUtf8) guess.reset();
            if (final && guess && guess->Holds()) verdict->looksLikeGb18030 = true;
            return;
        }
        guess.reset();
        XML_Parser decodedParser = NewParser("UTF-8");
        XML_ParserFree(parser);
        parser = decodedParser;
        CountDepth();
        decoder.emplace();
        const std::string earlier = std::move(unsettled);
        ReadDecoded(earlier, false);
        ReadDecoded(bytes, final);
    }

    void ReadDecoded(std::string_view bytes, bool final) {
        if (verdict) return;
        decoded.clear();
        const bool whole = decoder->Decode(bytes, decoded) && !(final && decoder->InCharacter());
        decodedSize += decoded.size();
        if (!Parse(parser, decoded, final && whole)) {
            verdict = Fault(false);
        } else if (!whole) {
            // Let expat place the fault: at the stand-in, where decoding stopped.
            Parse(parser, std::string_view(&kStandIn, 1), true);
            verdict = FaultOf(parser);
            if (XML_GetErrorCode(parser) == XML_ERROR_INVALID_TOKEN &&
                static_cast<std::uint64_t>(XML_GetErrorByteIndex(parser)) == decodedSize) {
                verdict->reason = "不是 " + declared + " 编码的字节";
            }
        } else if (final) {
            verdict = LayoutVerdict{true, 0, 0, {}};
        }
    }

    XML_Parser parser;
    // Until a GB18030-like encoding is declared: whether the layout would
    // read as GB18030, should it fail as UTF-8.
    std::optional<Gb18030Guess> guess{std::in_place};
    bool faultAsUtf8 = false;
    std::string start;      // the first three bytes
    bool settled = false;   // the first parser has read past any declaration
    std::string unsettled;  // what it was fed before that
    std::string declared;   // the GB18030-like encoding declared, as named
    std::optional<platform::Gb18030Decoder> decoder;
    std::string decoded;
    std::uint64_t decodedSize = 0;                // bytes of decoded text fed to the parser
    int depth = 0;                                // elements open
    XML_Size tooDeepLine = 0, tooDeepColumn = 0;  // where the element too deep starts
    std::optional<LayoutVerdict> verdict;
};

LayoutCheck::LayoutCheck() : m_state(std::make_unique<State>()) {}
LayoutCheck::~LayoutCheck() = default;

void LayoutCheck::Feed(std::string_view bytes) {
    m_state->Read(bytes, false);
}

LayoutVerdict LayoutCheck::Finish() {
    m_state->Read({}, true);
    return *m_state->verdict;
}

void MultiBitmapCheck::Feed(std::string_view bytes) {
    const std::size_t taken = std::min(bytes.size(), m_header.size() - m_size);
    std::memcpy(m_header.data() + m_size, bytes.data(), taken);
    m_size += taken;
}

bool MultiBitmapCheck::IsMultiBitmap() const {
    return m_size == m_header.size() && platform::LoadUInt32(m_header.data()) == kFileStoreUid &&
           platform::LoadUInt32(m_header.data() + 4) == kMultiBitmapUid;
}

FileCheck::FileCheck(std::u16string path) : m_path(std::move(path)) {
    if (platform::HasExtension(m_path, u".xml")) m_layout = std::make_unique<LayoutCheck>();
    if (platform::HasExtension(m_path, u".mbm")) m_bitmap.emplace();
}

void FileCheck::Feed(std::string_view bytes) {
    m_fed += bytes.size();
    if (m_layout) m_layout->Feed(bytes);
    if (m_bitmap) m_bitmap->Feed(bytes);
}

bool FileCheck::Settled() const {
    return !m_layout && (!m_bitmap || m_fed >= kMultiBitmapHeaderSize);
}

std::optional<FileFault> FileCheck::Finish() {
    if (m_layout) {
        LayoutVerdict verdict = m_layout->Finish();
        if (!verdict.wellFormed)
            return FileFault{FileFault::Kind::kNotWellFormed, m_path, std::move(verdict)};
    }
    if (m_bitmap && !m_bitmap->IsMultiBitmap())
        return FileFault{FileFault::Kind::kNotMultiBitmap, m_path, {}};
    return std::nullopt;
}

std::optional<FileFault> CheckFile(std::u16string_view path) {
    FileCheck check{std::u16string(path)};
    if (check.Settled()) return std::nullopt;
    platform::ErrorOr<platform::File> file = platform::File::OpenForReading(path);
    if (!file) return std::nullopt;
    const platform::ErrorOr<platform::CopyResult> read =
        platform::CopyStream(*file, std::nullopt, [&](const void* data, std::size_t size) {
            check.Feed(std::string_view(static_cast<const char*>(data), size));
            return !check.Settled();
        });
    if ((!read || *read != platform::CopyResult::kOk) && !check.Settled()) return std::nullopt;
    return check.Finish();
}

}  // namespace pipeline

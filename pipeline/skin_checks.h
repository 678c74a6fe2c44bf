// Checks of a skin's files, made on the bytes as they stream past (the
// package reads each input once, in pieces): whether a layout is a
// well-formed XML document, and whether an .mbm image bundle starts as a
// multi-bitmap file does.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace pipeline {

struct LayoutVerdict {
    bool wellFormed = false;
    // Where the first fault is: line and column from 1, the column counted
    // in characters (a tab is one, a UTF-16 surrogate pair is one).
    std::uint64_t line = 0;
    std::uint64_t column = 0;
    // Why, in UTF-8: expat's words, or, for bytes that the declared encoding
    // has no character for, ours.
    std::string reason;
    // Read as UTF-8, it has bytes that are none, and the whole of it decodes
    // as GB18030: most likely saved in GBK without saying so.
    bool looksLikeGb18030 = false;
};

// Reads a layout with expat in the encoding it declares or its byte-order
// mark gives: UTF-8, UTF-16, ISO-8859-1 and US-ASCII as expat reads them,
// and GB18030, GBK and GB2312 (the encodings Chinese editors write) decoded
// into UTF-8 on the way (see platform::Gb18030Decoder). An empty layout is
// not well-formed; nor is an unknown encoding.
class LayoutCheck {
  public:
    LayoutCheck();
    ~LayoutCheck();
    LayoutCheck(const LayoutCheck&) = delete;
    LayoutCheck& operator=(const LayoutCheck&) = delete;

    // The next bytes of the layout. After a fault the rest is passed over.
    void Feed(std::string_view bytes);
    // The layout has ended: the verdict. Call once.
    LayoutVerdict Finish();

  private:
    struct State;
    std::unique_ptr<State> m_state;
};

constexpr std::size_t kMultiBitmapHeaderSize = 8;

// Whether an image bundle starts with the Symbian multi-bitmap file header:
// the 32-bit little-endian words 0x10000037 (a file store) and 0x10000042
// (a multi-bitmap file).
class MultiBitmapCheck {
  public:
    // The next bytes of the bundle.
    void Feed(std::string_view bytes);
    // Whether the bytes fed so far start with the header.
    bool IsMultiBitmap() const;

  private:
    std::array<unsigned char, kMultiBitmapHeaderSize> m_header{};
    std::size_t m_size = 0;
};

// What a check found wrong with one of a skin's files.
struct FileFault {
    enum class Kind {
        kNotWellFormed,   // a layout that is no well-formed XML document: see `layout`
        kNotMultiBitmap,  // an .mbm without the multi-bitmap file header
    };
    Kind kind = Kind::kNotWellFormed;
    std::u16string path;   // the file as the skin names it
    LayoutVerdict layout;  // with kNotWellFormed
};

// The check a file's extension calls for, fed its bytes as they come: the
// layout check for .xml, the multi-bitmap header for .mbm (letter case
// aside), none for other files.
class FileCheck {
  public:
    explicit FileCheck(std::u16string path);

    void Feed(std::string_view bytes);
    // Whether later bytes can change the verdict no more: an .mbm's header
    // is all there is to check.
    bool Settled() const;
    // What the bytes fed came to, once the file has ended. Call once.
    std::optional<FileFault> Finish();

  private:
    std::u16string m_path;
    std::unique_ptr<LayoutCheck> m_layout;
    std::optional<MultiBitmapCheck> m_bitmap;
    std::size_t m_fed = 0;
};

// Reads the file as far as its check needs, for when nothing else reads
// it; nothing when it has no check, is no fault, or cannot be read.
std::optional<FileFault> CheckFile(std::u16string_view path);

}  // namespace pipeline

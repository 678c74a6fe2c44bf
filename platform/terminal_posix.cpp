#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/terminal.h"
#include "platform/text.h"

namespace platform {
namespace {

int Descriptor(StandardStream stream) {
    return stream == StandardStream::kOutput ? STDOUT_FILENO : STDERR_FILENO;
}

// All of the bytes, as they are.
bool WriteBytes(StandardStream stream, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = write(Descriptor(stream), p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// A terminal that does not say how wide it is has the classic width.
std::size_t Width(StandardStream stream) {
    winsize size{};
    if (ioctl(Descriptor(stream), TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
    return size.ws_col;
}

}  // namespace

bool IsTerminal(StandardStream stream) {
    return isatty(Descriptor(stream)) == 1;
}

bool WriteText(StandardStream stream, const Message& text) {
    return WriteBytes(stream, ToThreadAnsi(IsTerminal(stream) ? text.ForTerminal() : text.Plain()));
}

void ShowStatusLine(StandardStream stream, const Message& line) {
    if (!IsTerminal(stream)) return;
    // The last column stays free: a character there leaves some terminals'
    // cursor on the next row.
    const std::u16string text = line.ForTerminal();
    WriteBytes(stream, "\r" + ToThreadAnsi(FitToColumns(text, Width(stream) - 1)) + "\x1b[K");
}

bool WriteUtf8(StandardStream stream, std::string_view text) {
    return WriteBytes(stream, text);
}

}  // namespace platform

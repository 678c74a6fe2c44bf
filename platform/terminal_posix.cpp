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

}  // namespace

bool IsTerminal(StandardStream stream) {
    return isatty(Descriptor(stream)) == 1;
}

bool WriteText(StandardStream stream, const Message& text) {
    return WriteBytes(stream, ToThreadAnsi(IsTerminal(stream) ? text.ForTerminal() : text.Plain()));
}

bool WriteUtf8(StandardStream stream, std::string_view text) {
    return WriteBytes(stream, text);
}

}  // namespace platform

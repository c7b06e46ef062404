#include "cli/progress.h"

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <ostream>

#include <locale.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "core/text_util.h"
#include "core/texts.h"

namespace {

// A locale whose characters are UTF-8's, for widths that do not depend on the user's locale;
// nullptr when the system has none.
locale_t utf8Locale() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "en_US.UTF-8"}) {
            if (const locale_t found = ::newlocale(LC_CTYPE_MASK, name, nullptr))
                return found;
        }
        return locale_t(nullptr);
    }();
    return locale;
}

// The end of text that fits into width columns, "..." in front when it was cut.
std::string fitFromTheEnd(const std::string& text, std::size_t width) {
    if (DisplayWidth(text) <= width)
        return text;
    std::size_t start = text.size();
    std::size_t used = 3;
    while (start > 0) {
        std::size_t lead = start - 1;
        while (lead > 0 && (static_cast<unsigned char>(text[lead]) & 0xC0) == 0x80)
            --lead;
        const std::size_t charWidth =
            DisplayWidth(std::string_view(text).substr(lead, start - lead));
        if (used + charWidth > width)
            break;
        used += charWidth;
        start = lead;
    }
    return "..." + text.substr(start);
}

} // namespace

std::size_t DisplayWidth(std::string_view text) {
    const locale_t utf8 = utf8Locale();
    const locale_t previous = utf8 ? ::uselocale(utf8) : locale_t(nullptr);
    std::mbstate_t state{};
    std::size_t width = 0;
    for (std::size_t at = 0; at < text.size();) {
        wchar_t character = 0;
        const std::size_t length =
            std::mbrtowc(&character, text.data() + at, text.size() - at, &state);
        if (length == 0 || length > text.size() - at) {
            // A byte that is no UTF-8: the terminal shows one replacement character.
            width += length == 0 ? 0 : 1;
            ++at;
            state = {};
            continue;
        }
        width += std::size_t(std::max(::wcwidth(character), 0));
        at += length;
    }
    if (utf8)
        ::uselocale(previous);
    return width;
}

void DescribeTerminal(CommandLineIo& io, int fd) {
    io.progress = ::isatty(fd) == 1;
    // A dumb terminal (an editor's shell buffer) shows escape sequences as text.
    const char* term = std::getenv("TERM");
    io.escapes = term && *term && std::strcmp(term, "dumb") != 0;
    winsize size{};
    if (io.progress && ::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        io.columns = size.ws_col;
}

void CommandLineObserver::drawProgress() {
    if (!output_.io.progress)
        return;
    // A terminal redrawn for every folder of a large site costs more than the walk.
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - lastDrawn_ < std::chrono::milliseconds(100))
        return;
    lastDrawn_ = now;
    const std::string counts =
        known_ == 0 ? Filled(texts::kProgress, {{"folders", std::to_string(folders_)},
                                                {"files", std::to_string(files_)}})
                    : Filled(texts::kParallelProgress, {{"folders", std::to_string(folders_)},
                                                        {"done", std::to_string(done_)},
                                                        {"known", std::to_string(known_)},
                                                        {"sessions", std::to_string(sessions_)},
                                                        {"files", std::to_string(files_)}});
    const std::size_t columns = std::size_t(std::max(output_.io.columns, 20)) - 1;
    const std::size_t used = DisplayWidth(counts);
    const std::size_t room = columns > used ? columns - used : 0;
    const std::string path = fitFromTheEnd(current_, room);
    const std::size_t width = used + DisplayWidth(path);
    output_.io.err << '\r' << counts << path << eraseRest(width) << std::flush;
    shown_ = true;
    shownWidth_ = width;
}

void CommandLineObserver::clearProgress() {
    if (shown_)
        output_.io.err << '\r' << eraseRest(0) << (output_.io.escapes ? "" : "\r") << std::flush;
    shown_ = false;
    shownWidth_ = 0;
}

std::string CommandLineObserver::eraseRest(std::size_t width) const {
    if (output_.io.escapes)
        return "\x1b[K";
    return std::string(shownWidth_ > width ? shownWidth_ - width : 0, ' ');
}

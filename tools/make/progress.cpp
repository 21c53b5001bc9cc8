#include "progress.h"
#include "platform.h"

namespace {

// Bytes of UTF-8 at most: never more columns than that, so the line never wraps.
constexpr size_t LONGEST = 64;
size_t drawn = 0; // bytes of the line now on the console

} // namespace

void show_progress(uint64_t done, uint64_t total, const std::string &shown) {
    static const bool console = platform::error_is_console();
    if (!console)
        return;
    std::string line = std::to_string(total ? done * 100 / total : 100) + "% " + shown;
    if (line.size() > LONGEST) {
        size_t cut = LONGEST;
        while (((unsigned char)line[cut] & 0xC0) == 0x80) // not inside a character
            --cut;
        line.resize(cut);
    }
    std::string text = "\r" + line;
    if (drawn > line.size())
        text += std::string(drawn - line.size(), ' ');
    platform::write_console(text);
    drawn = line.size();
}

void end_progress() {
    if (drawn) {
        std::string blank(drawn + 2, ' ');
        blank.front() = blank.back() = '\r';
        platform::write_console(blank);
    }
    drawn = 0;
}

// The program's message boxes on the terminal.
//
// An error box reads "\"path\" message" (the program's one error format): the path is
// shown as the user knows it, the message in UTF-8 followed by its meaning in English for
// readers of other languages. When a write fails on the destination drive because the way
// leads through a symbolic link (which the confined drive never follows), that is said too.
#include "program_messages.h"
#include "resource.h"
#include "stage.h"
#include "standin.h"
#include "process/state.h"
#include "terminal.h"
#include "text.h"

#include <sys/stat.h>

namespace {

std::string archive_display;
std::string destination_display;
bool muted = false;
int (*notice_answerer)(const std::string &) = nullptr;

struct Meaning {
    UINT id;
    const char *english;
};
const Meaning MEANINGS[] = {
    {IDS_BAD_TABLE, "damaged compressed data"}, {IDS_READ_ERROR, "read error"},
    {IDS_WRITE_ERROR, "write error"},           {IDS_ARCHIVE_DAMAGED, "damaged archive"},
    {IDS_BAD_HEADER, "invalid member header"},  {IDS_CRC_ERROR, "CRC mismatch: damaged data"},
    {IDS_NO_MEMORY, "out of memory"},
};

const char *meaning_of(const std::string &message) {
    for (const Meaning &meaning : MEANINGS) {
        char text[STRING_BUFFER_SIZE];
        LoadStringA(state.instance, meaning.id, text, sizeof text);
        if (message == text)
            return meaning.english;
    }
    return nullptr;
}

bool on_destination(const std::string &windows_path) {
    return windows_path.compare(0, 3, DESTINATION_ROOT) == 0;
}

// The first symbolic link on the way to a destination file, as displayed; "" if none.
std::string symbolic_link_on_way(const std::string &windows_path) {
    std::string host = standin::to_utf8(windows_path.substr(3));
    if (destination_display.empty() || host.empty())
        return "";
    std::string part = destination_display;
    for (size_t start = 0; start <= host.size();) {
        size_t end = host.find('/', start);
        if (end == std::string::npos)
            end = host.size();
        part.append("/").append(host, start, end - start);
        struct stat st;
        if (lstat(part.c_str(), &st) != 0)
            return "";
        if (S_ISLNK(st.st_mode))
            return part;
        start = end + 1;
    }
    return "";
}

int on_message_box(const standin::MessageBoxRecord &box) {
    if ((box.style & 0xF) == MB_YESNO && notice_answerer)
        return notice_answerer(box.text);
    if (muted)
        return IDOK;
    std::string path, message = box.text;
    size_t close = box.text.find("\" ", 1);
    if (box.text.size() > 1 && box.text[0] == '"' && close != std::string::npos) {
        path = box.text.substr(1, close - 1);
        message = box.text.substr(close + 2);
    }
    std::string line =
        (path.empty() ? archive_display : display_path(path)) + ": " + printable(message);
    const char *meaning = meaning_of(message);
    if (meaning)
        line += std::string(" (") + meaning + ")";
    std::string link = on_destination(path) ? symbolic_link_on_way(path) : "";
    if (!link.empty())
        line += "; " + link + " is a symbolic link, which is never followed";
    report(line);
    return IDOK;
}

} // namespace

void set_display_places(const std::string &archive_name, const std::string &destination) {
    archive_display = archive_name;
    destination_display = destination;
    while (destination_display.size() > 1 && destination_display.back() == '/')
        destination_display.pop_back();
}

std::string display_path(const std::string &windows_path) {
    if (windows_path == state.own_path)
        return archive_display;
    if (!on_destination(windows_path))
        return printable(windows_path);
    std::string member = printable(windows_path.substr(3));
    if (destination_display.empty() || destination_display == ".")
        return member;
    if (destination_display == "/")
        return "/" + member;
    return destination_display + "/" + member;
}

void answer_message_boxes(int (*ask_notice)(const std::string &cp932_text)) {
    notice_answerer = ask_notice;
    standin::set_message_box_handler(on_message_box);
}

void mute_program_messages(bool on) {
    muted = on;
}

// Message boxes answered by the scripted user, and the string table.
#include "internal.h"

#include <deque>

namespace {
std::vector<standin::MessageBoxRecord> boxes;
std::deque<int> answers;
std::function<int(const standin::MessageBoxRecord &)> handler;

struct StringEntry {
    UINT id;
    const char *utf8;
};
#include "resource.h"
#define STRING(id, text) {id, text},
const StringEntry string_table[] = {
#include "strings.inc"
};
#undef STRING
} // namespace

namespace standin {
std::vector<MessageBoxRecord> &message_boxes() {
    return boxes;
}
void queue_message_box_answer(int answer) {
    answers.push_back(answer);
}
void set_message_box_handler(std::function<int(const MessageBoxRecord &)> h) {
    handler = std::move(h);
}
void reset_messages() {
    boxes.clear();
    answers.clear();
    handler = nullptr;
}
} // namespace standin

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    standin::MessageBoxRecord record{owner, text ? text : "", caption ? caption : "", style};
    boxes.push_back(record);
    if (handler)
        return handler(record);
    if (!answers.empty()) {
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return (style & 0xF) == MB_YESNO ? IDYES : IDOK;
}

// The texts reach the program in code page 932, cut to size - 1 bytes. Each is converted
// once per thread: a run loads the same few strings for every member.
int LoadStringA(HINSTANCE, UINT id, LPSTR buffer, int size) {
    if (size <= 0)
        return 0;
    buffer[0] = 0;
    thread_local std::vector<std::string> converted(std::size(string_table));
    thread_local std::vector<bool> done(std::size(string_table));
    for (size_t i = 0; i < std::size(string_table); i++) {
        if (string_table[i].id == id) {
            if (!done[i]) {
                converted[i] = standin::to_cp932(string_table[i].utf8);
                done[i] = true;
            }
            lstrcpynA(buffer, converted[i].c_str(), size);
            return lstrlenA(buffer);
        }
    }
    return 0;
}

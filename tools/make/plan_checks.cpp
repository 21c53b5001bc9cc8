#include "plan_checks.h"
#include "cp932.h"
#include "make_error.h"

#include "extract/paths.h"
#include "format/limits.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr size_t MAX_MEMBER_PATH = MEMBER_PATH_SIZE - 1; // the reader's buffer and its NUL

// The components of the path the self-extractor writes for a stored path on a volume with
// long names: up to its first NUL (the stub's string ends there), separators unified and
// every component cleaned and cut by the stub's own code. A run of separators (a
// directory's trailing one too) leaves no component, as Windows reads it as one.
std::vector<std::string> written_components(std::string stored) {
    stored.resize(std::min(stored.find('\0'), stored.size()));
    std::vector<char> path(stored.begin(), stored.end());
    path.push_back(0);
    unify_separators(path.data(), '/');
    sanitize_path(path.data(), 1);
    std::vector<std::string> components;
    std::string text(path.data());
    for (size_t start = 0; start < text.size();) {
        size_t slash = std::min(text.find('/', start), text.size());
        if (slash > start)
            components.push_back(text.substr(start, slash - start));
        start = slash + 1;
    }
    return components;
}

// Windows drops a component's trailing dots and spaces when it makes or opens a file.
std::string without_trailing_dots(std::string component) {
    while (!component.empty() && (component.back() == '.' || component.back() == ' '))
        component.pop_back();
    return component;
}

// Letters as Windows folds them in names of code page 932: ASCII, and the full-width
// Latin, Greek and Cyrillic letters (each lower case row maps onto its upper case one; the
// Cyrillic lower case row skips 0x7F).
std::string folded(std::string key) {
    for (size_t i = 0; i < key.size(); i++) {
        uint8_t byte = (uint8_t)key[i];
        if (byte >= 'a' && byte <= 'z') {
            key[i] = char(byte - 'a' + 'A');
        } else if (cp932::is_lead_byte(byte) && i + 1 < key.size()) {
            unsigned code = byte << 8 | (uint8_t)key[i + 1];
            if (code >= 0x8281 && code <= 0x829A)
                code -= 0x21;
            else if (code >= 0x83BF && code <= 0x83D6)
                code -= 0x20;
            else if (code >= 0x8470 && code <= 0x847E)
                code -= 0x30;
            else if (code >= 0x8480 && code <= 0x8491)
                code -= 0x31;
            key[++i] = char(code & 0xFF);
        }
    }
    return key;
}

bool is_device_name(const std::string &component) {
    std::string base = folded(component.substr(0, component.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    if (base == "CON" || base == "NUL" || base == "AUX" || base == "PRN")
        return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

// Why no Windows file can have the component's name; "" when one can.
std::string impossibility(const std::string &component) {
    for (char c : component)
        if ((uint8_t)c < 0x20)
            return "it holds a control character";
    if (without_trailing_dots(component).empty())
        return "Windows drops its trailing dots and spaces, and nothing is left";
    if (is_device_name(component))
        return "it is a device name on Windows";
    return "";
}

// The file or folder a stored path becomes, as Windows compares names; throws, naming the
// member, when it can become none.
std::string comparison_key(const std::string &stored, const Member &member) {
    std::string key;
    for (const std::string &component : written_components(stored)) {
        std::string why = impossibility(component);
        if (!why.empty())
            throw MakeError("\"" + member.shown + "\": no file on Windows can have this name (" +
                            why + ")");
        key += (key.empty() ? "" : "/") + folded(without_trailing_dots(component));
    }
    return key;
}

// Refuses a file whose name is that of a folder another member lies in (members taken
// over from an archive need no entry of their own for their folders).
void check_files_against_folders(const std::vector<Member> &members) {
    std::map<std::string, const Member *> folders;
    for (const Member &member : members)
        for (size_t end = 0; end < member.dir_name.size(); end++) {
            if (cp932::is_lead_byte((uint8_t)member.dir_name[end]))
                end++;
            else if (member.dir_name[end] == '\xFF')
                folders.emplace(comparison_key(member.dir_name.substr(0, end), member), &member);
        }
    for (const Member &member : members) {
        auto folder = member.file_name.empty()
                          ? folders.end()
                          : folders.find(comparison_key(member.path(), member));
        if (folder != folders.end())
            throw MakeError("\"" + member.shown + "\" is a file, but \"" + folder->second->shown +
                            "\" lies in a folder of that name");
    }
}

} // namespace

void check_members(const std::vector<Member> &members) {
    std::map<std::string, const Member *> seen;
    for (size_t i = 0; i < members.size(); i++) {
        const Member &member = members[i];
        std::string path = member.path();
        if (path.size() > MAX_MEMBER_PATH)
            throw MakeError("\"" + member.shown + "\": the path is " + std::to_string(path.size()) +
                            " bytes in code page 932; a self-extractor takes at most " +
                            std::to_string(MAX_MEMBER_PATH));
        if (path == NOTICE_NAME && (i != 0 || member.source == MemberSource::File))
            throw MakeError("\"!\": only a notice, as the first member, may have this name (a "
                            "self-extractor shows that member as its notice and never extracts "
                            "it); give the notice text with --notice");
        if (path == NOTICE_NAME)
            continue; // shown, never written
        auto [at, added] = seen.emplace(comparison_key(path, member), &member);
        if (!added)
            throw MakeError("\"" + at->second->shown + "\" and \"" + member.shown +
                            "\" would be the same file on Windows");
    }
    check_files_against_folders(members);
}

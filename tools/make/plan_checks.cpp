#include "plan_checks.h"
#include "cp932.h"
#include "make_error.h"

#include "format/limits.h"

#include <map>
#include <string>

namespace {

constexpr size_t MAX_MEMBER_PATH = MEMBER_PATH_SIZE - 1; // the reader's buffer and its NUL

// The path as Windows compares it: without a directory's trailing separator, ASCII
// letters in upper case, the second byte of a double-byte character left alone.
std::string comparison_key(std::string key) {
    if (!key.empty() && key.back() == '\xFF')
        key.pop_back();
    for (size_t i = 0; i < key.size(); i++) {
        if (cp932::is_lead_byte((uint8_t)key[i]))
            i++;
        else if (key[i] >= 'a' && key[i] <= 'z')
            key[i] = char(key[i] - 'a' + 'A');
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
                folders.emplace(comparison_key(member.dir_name.substr(0, end)), &member);
        }
    for (const Member &member : members) {
        auto folder =
            member.file_name.empty() ? folders.end() : folders.find(comparison_key(member.path()));
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
        auto [at, added] = seen.emplace(comparison_key(member.path()), &member);
        if (!added)
            throw MakeError("\"" + at->second->shown + "\" and \"" + member.shown +
                            "\" would be the same file on Windows");
    }
    check_files_against_folders(members);
}

#include "notice.h"
#include "cp932.h"
#include "make_error.h"
#include "platform.h"

#include "format/limits.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

// The notice is shown from the self-extractor's text buffer, NUL included.
constexpr size_t MAX_NOTICE = TEXT_BUFFER_SIZE - 1;

[[noreturn]] void refuse(const std::string &path, const std::string &why) {
    throw MakeError("notice \"" + path + "\": " + why);
}

} // namespace

Member notice_member(const std::string &path) {
    std::ifstream in(platform::native_path(path), std::ios::binary);
    if (!in)
        refuse(path, std::string("cannot be read: ") + strerror(errno));
    platform::DiskEntry entry;
    try {
        entry = platform::describe(path, path);
    } catch (const MakeError &error) {
        throw MakeError(std::string("notice ") + error.what());
    }
    std::string text((std::istreambuf_iterator<char>(in)), {});
    if (in.bad())
        refuse(path, "cannot be read");
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    if (cp932::is_utf8(text)) {
        std::string converted;
        if (!cp932::from_utf8(text, converted))
            refuse(path, "the text holds characters that code page 932 cannot hold");
        text = std::move(converted);
    }
    if (text.empty())
        refuse(path, "the text is empty");
    if (text.find('\0') != std::string::npos)
        refuse(path, "the text holds a NUL byte");
    if (text.size() > MAX_NOTICE)
        refuse(path, "the text is " + std::to_string(text.size()) +
                         " bytes in code page 932; a self-extractor shows at most " +
                         std::to_string(MAX_NOTICE));
    if (entry.modified < 0 || (uint64_t)entry.modified > UINT32_MAX)
        refuse(path, "its modification time lies outside 1970 to 2106");
    Member member;
    member.source = MemberSource::Notice;
    member.file_name = std::string(NOTICE_NAME);
    member.shown = member.file_name;
    member.time_stamp = (uint32_t)entry.modified;
    member.attribute = ATTRIBUTE_ARCHIVE;
    member.size = text.size();
    member.text = std::move(text);
    return member;
}

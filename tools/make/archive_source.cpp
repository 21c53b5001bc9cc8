#include "archive_source.h"
#include "archive_headers.h"
#include "cp932.h"
#include "make_error.h"
#include "packed_methods.h"

#include <algorithm>
#include <cstring>
#include <ctime>

namespace {

uint32_t from_dos_time(uint32_t dos, const std::string &archive, const std::string &shown) {
    struct tm tm = {};
    tm.tm_sec = int(dos & 31) * 2;
    tm.tm_min = int(dos >> 5 & 63);
    tm.tm_hour = int(dos >> 11 & 31);
    tm.tm_mday = int(dos >> 16 & 31);
    tm.tm_mon = int(dos >> 21 & 15) - 1;
    tm.tm_year = int(dos >> 25) + 80;
    tm.tm_isdst = -1;
    time_t t = mktime(&tm);
    if (t == (time_t)-1)
        throw MakeError(archive + ": \"" + shown + "\": the MS-DOS time stamp cannot be converted");
    // MS-DOS years run to 2107, a level-2 header's seconds to early 2106.
    return (uint64_t)t > UINT32_MAX ? UINT32_MAX : (uint32_t)t;
}

uint32_t time_stamp_of(const RawHeader &raw, const std::string &archive, const std::string &shown) {
    if (raw.level >= 2)
        return raw.time_field;
    if (raw.has_unix_time)
        return raw.unix_time;
    if (raw.has_windows_time) {
        constexpr uint64_t TICKS = 10000000, FROM_1601 = 11644473600;
        uint64_t seconds = raw.windows_time / TICKS;
        if (seconds >= FROM_1601 && seconds - FROM_1601 <= UINT32_MAX)
            return uint32_t(seconds - FROM_1601);
    }
    return from_dos_time(raw.time_field, archive, shown);
}

bool is_separator(uint8_t byte) {
    return byte == '/' || byte == '\\' || byte == 0xFF;
}

// The components of a stored path, in order; "." and empty components go. A ".." makes
// `climbs` true.
void split_path(const std::string &path, std::vector<std::string> &parts, bool &climbs) {
    std::string part;
    for (size_t i = 0; i <= path.size(); i++) {
        if (i == path.size() || is_separator((uint8_t)path[i])) {
            if (part == "..")
                climbs = true;
            else if (!part.empty() && part != ".")
                parts.push_back(part);
            part.clear();
            continue;
        }
        part += path[i];
        if (cp932::is_lead_byte((uint8_t)path[i]) && i + 1 < path.size())
            part += path[++i];
    }
}

std::string shown_path(const std::vector<std::string> &parts) {
    std::string shown;
    for (const std::string &part : parts) {
        if (!shown.empty())
            shown += '/';
        shown += cp932::for_display(part);
    }
    return shown;
}

// The position of the first '|' that is not the second byte of a double-byte character.
size_t find_bar(const std::string &path) {
    for (size_t i = 0; i < path.size(); i++) {
        if (path[i] == '|')
            return i;
        if (cp932::is_lead_byte((uint8_t)path[i]))
            i++;
    }
    return std::string::npos;
}

class MemberBuilder {
  public:
    MemberBuilder(const std::string &archive, bool repack_all, ArchiveContents &contents)
        : archive_(archive), repack_all_(repack_all), contents_(contents) {}

    void add(const RawHeader &raw);
    void finish();

  private:
    void take(Member member);

    std::string archive_;
    bool repack_all_;
    ArchiveContents &contents_;
    bool dropped_root_ = false;
    std::vector<Member> link_folders_; // the folders left out links stand in
};

// A folder entry that one archiver writes for a symbolic link, named "link|target": the
// first '|' of the whole path splits it. The folder the link stands in stays (as other
// readers make it), in `parent`.
bool left_out_as_link(const RawHeader &raw, const std::string &archive,
                      std::vector<std::string> &warnings, std::vector<std::string> &parent) {
    std::string path = raw.dir_name;
    if (!path.empty() && !is_separator((uint8_t)path.back()))
        path += '/';
    path += raw.name;
    size_t bar = find_bar(path);
    if (raw.method != "-lhd-" || bar == std::string::npos)
        return false;
    std::vector<std::string> link, target;
    bool climbs = false;
    split_path(path.substr(0, bar), link, climbs);
    split_path(path.substr(bar + 1), target, climbs);
    parent.assign(link.begin(), link.end() - (link.empty() ? 0 : 1));
    warnings.push_back(archive + ": \"" + shown_path(link) + "\": a symbolic link (to \"" +
                       (is_separator((uint8_t)path[bar + 1]) ? "/" : "") + shown_path(target) +
                       "\"), left out: a self-extractor cannot make links");
    return true;
}

// A name ends at a NUL byte: what follows is a comment that some archivers keep there, and
// other readers drop it too.
std::string up_to_nul(const std::string &name) {
    return name.substr(0, name.find('\0'));
}

void MemberBuilder::add(const RawHeader &found) {
    RawHeader raw = found;
    raw.name = up_to_nul(raw.name);
    raw.dir_name = up_to_nul(raw.dir_name);
    std::vector<std::string> link_parent;
    if (left_out_as_link(raw, archive_, contents_.warnings, link_parent)) {
        if (link_parent.empty())
            return;
        Member folder;
        folder.source = MemberSource::Directory;
        for (const std::string &part : link_parent)
            folder.dir_name += part + '\xFF';
        folder.shown = shown_path(link_parent) + "/";
        folder.packed_method = "-lhd-";
        folder.method = 'd';
        folder.time_stamp = time_stamp_of(raw, archive_, folder.shown);
        folder.attribute = ATTRIBUTE_DIRECTORY;
        link_folders_.push_back(std::move(folder));
        return;
    }
    bool directory = raw.method == "-lhd-";
    std::vector<std::string> parts;
    bool climbs = false;
    // The directory name holds whole components, whether or not it ends in a separator.
    split_path(raw.dir_name, parts, climbs);
    split_path(raw.name, parts, climbs);
    std::string whole = raw.dir_name + raw.name;
    std::string where = archive_ + ": \"" + shown_path(parts) + (directory ? "/" : "") + "\": ";
    if (climbs)
        throw MakeError(archive_ + ": \"" + cp932::for_display(whole) +
                        "\": the member would be extracted outside the destination folder");
    if (parts.empty() && directory) {
        contents_.warnings.push_back(archive_ + ": the folder entry at offset " +
                                     std::to_string(raw.offset) + " has no name; left out");
        return;
    }
    if (parts.empty())
        throw MakeError(archive_ + ": a member at offset " + std::to_string(raw.offset) +
                        " has no name");
    dropped_root_ |= !whole.empty() && is_separator((uint8_t)whole[0]);

    Member member;
    for (size_t i = 0; i < parts.size(); i++) {
        if (i + 1 == parts.size() && !directory)
            member.file_name = parts[i];
        else
            member.dir_name += parts[i] + '\xFF';
    }
    member.shown = shown_path(parts) + (directory ? "/" : "");
    if (raw.too_large)
        throw MakeError(where + "members of 4 GiB or more cannot be packed");
    if (directory && raw.data_size != 0)
        throw MakeError(where + "a folder entry that claims " + std::to_string(raw.data_size) +
                        " bytes of data; the archive is damaged");
    bool stored = raw.method == "-lh0-" || raw.method == "-lz4-" || raw.method == "-pm0-";
    if (stored && raw.data_size != raw.original_size)
        throw MakeError(where + "stored (" + cp932::for_display(raw.method) + "), yet " +
                        std::to_string(raw.original_size) + " bytes are claimed from " +
                        std::to_string(raw.data_size) + "; the archive is damaged");
    bool kept = stub_expands(raw.method);
    if (!directory && !kept && !can_expand(raw.method))
        throw MakeError(where + "packed with " + cp932::for_display(raw.method) +
                        ", which neither the self-extractor nor this program can expand");
    member.source = directory ? MemberSource::Directory : MemberSource::Copied;
    member.packed_method = raw.method;
    member.method = raw.method[3];
    member.repack = !directory && (!kept || (repack_all_ && raw.original_size > 0));
    member.time_stamp = time_stamp_of(raw, archive_, member.shown);
    member.attribute = directory ? uint8_t(raw.attribute | ATTRIBUTE_DIRECTORY) : raw.attribute;
    member.size = directory ? 0 : raw.original_size;
    member.data_crc = raw.data_crc;
    member.data_offset = raw.data_offset;
    member.compressed_size = directory ? 0 : raw.data_size;
    contents_.repacked += member.repack;
    take(std::move(member));
}

// An archive that was added to holds a path more than once: other readers end up with the
// last copy, so it replaces the earlier one (a folder entry that comes again is passed over).
void MemberBuilder::take(Member member) {
    std::vector<Member> &members = contents_.members;
    auto same = std::find_if(members.begin(), members.end(),
                             [&](const Member &m) { return m.path() == member.path(); });
    if (same == members.end()) {
        members.push_back(std::move(member));
    } else if (member.source != MemberSource::Directory) {
        contents_.warnings.push_back(archive_ + ": \"" + member.shown +
                                     "\" is in the archive more than once; the last one is taken");
        contents_.repacked -= same->repack;
        members.erase(same);
        members.push_back(std::move(member));
    }
}

void MemberBuilder::finish() {
    for (Member &folder : link_folders_) {
        bool present = false;
        for (const Member &member : contents_.members)
            present |= member.dir_name.compare(0, folder.dir_name.size(), folder.dir_name) == 0;
        if (!present)
            contents_.members.push_back(std::move(folder));
    }
    if (dropped_root_)
        contents_.warnings.push_back(
            archive_ + ": paths that begin with a separator are taken as relative to the "
                       "destination folder (the separator is dropped)");
}

} // namespace

ArchiveContents read_archive(const std::string &path, bool repack_all) {
    ArchiveContents contents;
    MemberBuilder builder(path, repack_all, contents);
    for (const RawHeader &raw : read_raw_headers(path, archive_start(path)))
        builder.add(raw);
    builder.finish();
    return contents;
}

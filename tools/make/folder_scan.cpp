#include "folder_scan.h"
#include "cp932.h"
#include "make_error.h"
#include "platform.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

constexpr uint64_t FOUR_GIB = uint64_t(1) << 32;

using FolderId = std::pair<uint64_t, uint64_t>; // volume, index

struct Scan {
    std::vector<Member> members;
    std::vector<FolderId> open_folders; // the folders being walked, root first
};

// A name from disk for a message: bytes that are not UTF-8 are shown as \xNN.
std::string displayable(const std::string &name) {
    if (cp932::is_utf8(name))
        return name;
    std::string shown;
    for (unsigned char c : name) {
        char hex[8];
        snprintf(hex, sizeof hex, c < 0x80 ? "%c" : "\\x%02X", c);
        shown += hex;
    }
    return shown;
}

[[noreturn]] void refuse(const std::string &shown, const std::string &why) {
    throw MakeError("\"" + shown + "\": " + why);
}

std::string archive_name(const std::string &name, const std::string &shown) {
    std::string converted;
    if (!cp932::from_utf8(name, converted))
        refuse(shown, "the name cannot be written in code page 932");
    if (cp932::find_backslash(converted) != std::string::npos)
        refuse(shown, "the name holds a backslash (or a yen sign, its code page 932 form), "
                      "which Windows takes for a folder separator");
    return converted;
}

uint32_t time_stamp_of(const platform::DiskEntry &entry, const std::string &shown) {
    if (entry.modified < 0 || (uint64_t)entry.modified >= FOUR_GIB)
        refuse(shown, "its modification time lies outside 1970 to 2106, which an LZH header "
                      "cannot hold");
    return (uint32_t)entry.modified;
}

void add_file(Scan &scan, Member member, const platform::DiskEntry &entry) {
    if (entry.size >= FOUR_GIB)
        refuse(member.shown, "files of 4 GiB or more cannot be packed");
    int fd = platform::open_for_reading(member.disk_path);
    if (fd < 0)
        refuse(member.shown, std::string("cannot be read: ") + strerror(errno));
    close(fd);
    member.source = MemberSource::File;
    member.size = entry.size;
    member.attribute = entry.attributes & ~ATTRIBUTE_DIRECTORY;
    scan.members.push_back(std::move(member));
}

void walk(Scan &scan, const std::string &folder, const std::string &dir_name,
          const std::string &shown_dir) {
    std::vector<std::string> names =
        platform::folder_names(folder, shown_dir.empty() ? "." : shown_dir);
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        Member member;
        member.disk_path = folder + "/" + name;
        member.shown = shown_dir + displayable(name);
        platform::DiskEntry entry = platform::describe(member.disk_path, member.shown);
        std::string converted = archive_name(name, member.shown);
        member.time_stamp = time_stamp_of(entry, member.shown);
        if (entry.file) {
            member.dir_name = dir_name;
            member.file_name = converted;
            add_file(scan, std::move(member), entry);
        } else if (entry.folder) {
            FolderId id{entry.volume, entry.index};
            if (std::find(scan.open_folders.begin(), scan.open_folders.end(), id) !=
                scan.open_folders.end())
                refuse(member.shown, "the symbolic link leads back to a folder above it");
            member.source = MemberSource::Directory;
            member.dir_name = dir_name + converted + '\xFF';
            member.attribute =
                ATTRIBUTE_DIRECTORY | (entry.attributes & (ATTRIBUTE_HIDDEN | ATTRIBUTE_SYSTEM));
            member.shown += '/';
            std::string child_dir = member.dir_name, child_shown = member.shown;
            std::string child_folder = member.disk_path;
            scan.members.push_back(std::move(member));
            scan.open_folders.push_back(id);
            walk(scan, child_folder, child_dir, child_shown);
            scan.open_folders.pop_back();
        } else {
            refuse(member.shown, "neither a file nor a folder (a device, socket or pipe)");
        }
    }
}

} // namespace

std::vector<Member> scan_folder(const std::string &root) {
    platform::DiskEntry entry = platform::describe(root, root);
    if (!entry.folder)
        refuse(root, "not a folder");
    Scan scan;
    scan.open_folders.push_back({entry.volume, entry.index});
    walk(scan, root, "", "");
    return scan.members;
}

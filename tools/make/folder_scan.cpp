#include "folder_scan.h"
#include "cp932.h"
#include "make_error.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace {

constexpr uint64_t FOUR_GIB = uint64_t(1) << 32;

struct Scan {
    std::vector<Member> members;
    std::vector<std::pair<dev_t, ino_t>> open_folders; // the folders being walked, root first
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

uint32_t time_stamp_of(const struct stat &st, const std::string &shown) {
    if (st.st_mtime < 0 || (uint64_t)st.st_mtime >= FOUR_GIB)
        refuse(shown, "its modification time lies outside 1970 to 2106, which an LZH header "
                      "cannot hold");
    return (uint32_t)st.st_mtime;
}

std::vector<std::string> sorted_names(const std::string &folder, const std::string &shown) {
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        refuse(shown, std::string("cannot be read: ") + strerror(errno));
    std::vector<std::string> names;
    errno = 0;
    while (dirent *entry = readdir(dir)) {
        if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            names.push_back(entry->d_name);
    }
    int error = errno;
    closedir(dir);
    if (error)
        refuse(shown, std::string("cannot be read: ") + strerror(error));
    std::sort(names.begin(), names.end());
    return names;
}

void add_file(Scan &scan, Member member, const struct stat &st) {
    if ((uint64_t)st.st_size >= FOUR_GIB)
        refuse(member.shown, "files of 4 GiB or more cannot be packed");
    int fd = open(member.disk_path.c_str(), O_RDONLY);
    if (fd < 0)
        refuse(member.shown, std::string("cannot be read: ") + strerror(errno));
    close(fd);
    member.source = MemberSource::File;
    member.size = (uint64_t)st.st_size;
    member.attribute = ATTRIBUTE_ARCHIVE | ((st.st_mode & S_IWUSR) ? 0 : ATTRIBUTE_READ_ONLY);
    scan.members.push_back(std::move(member));
}

void walk(Scan &scan, const std::string &folder, const std::string &dir_name,
          const std::string &shown_dir) {
    for (const std::string &name : sorted_names(folder, shown_dir.empty() ? "." : shown_dir)) {
        Member member;
        member.disk_path = folder + "/" + name;
        member.shown = shown_dir + displayable(name);
        struct stat st;
        if (lstat(member.disk_path.c_str(), &st) != 0)
            refuse(member.shown, std::string("cannot be read: ") + strerror(errno));
        if (S_ISLNK(st.st_mode) && stat(member.disk_path.c_str(), &st) != 0)
            refuse(member.shown, "the symbolic link points to nothing");
        std::string converted = archive_name(name, member.shown);
        member.time_stamp = time_stamp_of(st, member.shown);
        if (S_ISREG(st.st_mode)) {
            member.dir_name = dir_name;
            member.file_name = converted;
            add_file(scan, std::move(member), st);
        } else if (S_ISDIR(st.st_mode)) {
            std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
            if (std::find(scan.open_folders.begin(), scan.open_folders.end(), id) !=
                scan.open_folders.end())
                refuse(member.shown, "the symbolic link leads back to a folder above it");
            member.source = MemberSource::Directory;
            member.dir_name = dir_name + converted + '\xFF';
            member.attribute = ATTRIBUTE_DIRECTORY;
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
    struct stat st;
    if (stat(root.c_str(), &st) != 0)
        refuse(root, std::string("cannot be read: ") + strerror(errno));
    if (!S_ISDIR(st.st_mode))
        refuse(root, "not a folder");
    Scan scan;
    scan.open_folders.push_back({st.st_dev, st.st_ino});
    walk(scan, root, "", "");
    return scan.members;
}

// Output paths on any destination and member path.
//
// Input: one byte of settings (bit 0: the volume reports 255, else 12; bit 1: the volume
// query fails), the destination folder up to the first 0 byte, the member path after it.
//
// Besides the sanitizers' own checks (every routine also runs on heap copies of exactly the
// size it may use): the output path stays terminated inside its buffer; a refusal happens
// only for a member holding "..", one beginning with two separators (a server path) or a
// join too long to fit; an accepted path keeps the
// destination's root, has no ".." component unless the destination holds "..", and every
// component after the root obeys the volume's naming rules and ends on a whole character.
#include "extract/paths.h"
#include "standin.h"
#include "process/state.h"

#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

static void require(bool condition) {
    if (!condition)
        abort();
}

// The components of `path` between any of the `separators`, read as the platform reads a
// double-byte string: a lead byte and the byte after it are one character.
static std::vector<std::string> components(const std::string &path, const char *separators) {
    std::vector<std::string> out(1);
    for (size_t i = 0; i < path.size(); i++) {
        unsigned char c = (unsigned char)path[i];
        if (IsDBCSLeadByte(c) && i + 1 < path.size()) {
            out.back() += path.substr(i++, 2);
        } else if (strchr(separators, c)) {
            out.push_back({});
        } else {
            out.back() += (char)c;
        }
    }
    return out;
}

static bool has_parent_component(const std::string &path) {
    for (const std::string &c : components(path, "/\\\xFF"))
        if (c == "..")
            return true;
    return false;
}

// No component ends inside a character: no lead byte stands before a '/' or at the end.
static bool whole_characters(const std::string &path) {
    for (size_t i = 0; i < path.size(); i++) {
        if (IsDBCSLeadByte((unsigned char)path[i])) {
            if (i + 1 == path.size() || path[i + 1] == '/')
                return false;
            i++;
        }
    }
    return true;
}

// Bytes at character starts only: trail bytes may be anything.
static bool obeys_rules(const std::string &name, bool long_names) {
    size_t dots = 0, dot_at = 0, length = name.size();
    for (size_t i = 0; i < length; i++) {
        unsigned char c = (unsigned char)name[i];
        if (IsDBCSLeadByte(c)) {
            i++;
            continue;
        }
        const char *reserved = long_names ? "\"*/:<>?\\|" : "\"*+,/:;<=>?[\\]|\xFF";
        if (strchr(reserved, c) || (!long_names && c <= 0x20) || c == 0)
            return false;
        if (c == '.') {
            dots++;
            dot_at = i;
        }
    }
    if (long_names)
        return length <= 255;
    if (dots == 0)
        return length <= 8;
    return dots == 1 && dot_at <= 8 && length - dot_at - 1 <= 3;
}

// Each routine on a heap block of exactly the size it may use, so that ASan sees a byte
// written past it.
static void run_routines_on_copies(const std::string &destination, const std::string &member,
                                   bool long_names) {
    std::vector<char *> blocks;
    auto copy = [&](const std::string &text, size_t extra) {
        char *block = (char *)malloc(text.size() + 1 + extra);
        memcpy(block, text.c_str(), text.size() + 1);
        blocks.push_back(block);
        return block;
    };
    char *text = copy(member, 0);
    unify_separators(text, '/');
    sanitize_path(text, long_names);
    sanitize_component(copy(member, 0), long_names);
    sanitize_span(copy(member, 0), 8, long_names);
    char *root = copy(destination, 0);
    path_root(root, destination.c_str());
    require(strncmp(root, destination.c_str(), strlen(root)) == 0);
    append_separator(copy(destination, 1));
    char *joined = copy(destination + member, 1);
    join_member_path(joined, destination.c_str(), member.c_str());
    for (char *block : blocks)
        free(block);
}

// Drive C: needs no folder behind it: the paths are only joined, never created, and the
// volume query asks for the mapping alone.
extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    standin::map_drive('C', "/nonexistent/kolvane-fuzz");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    bool long_volume = data[0] & 1;
    standin::set_max_component_length(long_volume ? 255 : 12);
    standin::set_volume_query_fails(data[0] & 2);
    std::string rest((const char *)data + 1, size - 1);
    size_t zero = rest.find('\0');
    std::string destination = rest.substr(0, zero).substr(0, DESTINATION_SIZE - 1);
    std::string member =
        zero == std::string::npos ? "" : rest.substr(zero + 1).substr(0, MEMBER_PATH_SIZE - 1);
    member = std::string(member.c_str());

    run_routines_on_copies(destination, member, long_volume);

    memcpy(state.destination_folder, destination.c_str(), destination.size() + 1);
    memcpy(state.member_path, member.c_str(), member.size() + 1);
    query_output_volume();
    memset(state.output_path, 'x', OUTPUT_PATH_SIZE);
    int accepted = build_output_path();
    require(memchr(state.output_path, 0, OUTPUT_PATH_SIZE) != nullptr);
    std::string output = state.output_path;

    if (!accepted) {
        require(output.empty());
        bool server_path =
            member.size() >= 2 && strchr("/\\", member[0]) && strchr("/\\", member[1]);
        require(member.find("..") != std::string::npos || server_path ||
                destination.size() + member.size() >= 515);
        return 0;
    }
    std::string root = state.output_root;
    require(output.compare(0, root.size(), root) == 0);
    if (destination.find("..") == std::string::npos)
        require(!has_parent_component(output));
    std::string after_root = output.substr(root.size());
    require(whole_characters(after_root));
    for (const std::string &c : components(after_root, "/"))
        require(obeys_rules(c, state.long_names));
    return 0;
}

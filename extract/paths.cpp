// Where a member goes: separators, the destination's root, the joined output path, the
// destination volume's naming rules and the directories on the way.
#include "extract/paths.h"
#include "process/state.h"

#include <windows.h>

void unify_separators(char *text, char separator) {
    int trail_pending = 0;
    for (; *text; text++) {
        BYTE byte = (BYTE)*text;
        if (trail_pending)
            trail_pending = 0;
        else if (IsDBCSLeadByte(byte))
            trail_pending = 1;
        else if (byte == '/' || byte == '\\' || byte == 0xFF)
            *text = separator;
    }
}

// A server path's root is "\\server\share": the second backslash after the leading pair
// ends it. A drive path's root is "X:\".
void path_root(char *root, const char *path) {
    root[0] = 0;
    if (path[0] == '\\' && path[1] == '\\') {
        memcpy(root, path, strlen(path) + 1);
        int backslashes = 0;
        for (char *p = root + 2; *p; p = CharNextA(p)) {
            if (*p == '\\' && ++backslashes == 2) {
                *p = 0;
                return;
            }
        }
    } else if (path[0] && path[1] == ':' && path[2] == '\\') {
        memcpy(root, path, 3);
        root[3] = 0;
    }
}

// Looks at the last whole character, so a double-byte character whose trail byte is 0x5C
// does not count as a separator. An empty path yields its terminator, which is none.
static int ends_in_separator(const char *path) {
    const char *last = CharPrevA(path, path + strlen(path));
    return *last == '\\' || *last == '/';
}

void append_separator(char *path) {
    if (!ends_in_separator(path)) {
        char *end = path + strlen(path);
        end[0] = '/';
        end[1] = 0;
    }
}

// The output must hold the destination (or its root), one separator and the member path:
// build_output_path checks that before it calls this.
void join_member_path(char *output, const char *destination, const char *member_path) {
    if (member_path[0] == '/' || member_path[0] == '\\') {
        path_root(output, destination);
        member_path++;
    } else {
        memcpy(output, destination, strlen(destination) + 1);
    }
    append_separator(output);
    char *end = output + strlen(output);
    memcpy(end, member_path, strlen(member_path) + 1);
}

// Paths longer than an output path are looked at up to that size only.
//
// Most members of an archive share their folder with the member before them, and asking
// the system to create a folder that is there costs a path lookup each. state.folder_made
// keeps the last path's folder part (through its last '/'), whose folders were all asked
// for already in this run: a folder of `path` whose name, with the '/' after it, is the
// start of folder_made is passed over. The run empties it when it starts.
void create_parent_directories(const char *path) {
    char partial[OUTPUT_PATH_SIZE];
    char *made = state.folder_made;
    bool known = true; // path[0..i] begins `made`
    int folder_end = 0;
    for (int i = 0; path[i] && i < (int)sizeof partial - 1; i++) {
        known = known && made[i] == path[i];
        if (path[i] == '/') {
            partial[i] = 0;
            if (!known)
                CreateDirectoryA(partial, nullptr);
            folder_end = i + 1;
        }
        partial[i] = path[i];
    }
    memcpy(made, path, folder_end);
    made[folder_end] = 0;
}

void query_output_volume() {
    path_root(state.output_root, state.destination_folder);
    state.max_component_length = 255;
    DWORD reported, flags;
    if (GetVolumeInformationA(state.output_root, nullptr, 0, nullptr, &reported, &flags, nullptr,
                              0))
        state.max_component_length = reported;
    state.long_names = state.max_component_length == 255;
}

// Whether the member would climb out of the destination: a component of its path, as it
// will stand in the output, is "..". The output gets its components by unifying the
// separators (double-byte aware), cutting at every '/' byte and cleaning each piece, and
// cleaning drops a lead byte stranded before a '/'. So "\xF7/..\xF7/.." holds no ".." when
// read character by character, yet becomes "/../.." in the output. Long-name cleaning is
// used whatever the volume: it is the one that keeps "..".
static int climbs_out(const char *member_path) {
    char path[MEMBER_PATH_SIZE];
    memcpy(path, member_path, strlen(member_path) + 1);
    unify_separators(path, '/');
    sanitize_path(path, 1);
    for (char *component = path;;) {
        char *slash = strchr(component, '/');
        char *end = slash ? slash : component + strlen(component);
        if (end - component == 2 && component[0] == '.' && component[1] == '.')
            return 1;
        if (!slash)
            return 0;
        component = slash + 1;
    }
}

static int is_separator(char c) {
    return c == '/' || c == '\\';
}

// Expects state.output_root to be the root of state.destination_folder
// (query_output_volume). The root keeps its backslashes; everything after it, the
// destination folder's own components included, gets '/' and the volume's naming rules.
// One leading separator puts the member below the destination's root; a leading pair is
// how a server path begins on Windows, not a folder of the drive, and is refused.
int build_output_path() {
    const char *base = state.destination_folder;
    const char *member = state.member_path;
    int server_path = is_separator(member[0]) && is_separator(member[1]);
    if (is_separator(member[0])) {
        base = state.output_root;
        member++;
    }
    size_t length = strlen(base) + !ends_in_separator(base) + strlen(member);
    if (server_path || length >= OUTPUT_PATH_SIZE || climbs_out(state.member_path)) {
        state.output_path[0] = 0;
        return 0;
    }
    join_member_path(state.output_path, state.destination_folder, state.member_path);
    char *after_root = state.output_path + strlen(state.output_root);
    unify_separators(after_root, '/');
    sanitize_path(after_root, state.long_names);
    return 1;
}

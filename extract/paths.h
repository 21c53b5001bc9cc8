// Output paths under the destination folder, name cleaning and directory creation.
#pragma once

#include <stdint.h>

// paths.cpp: sets every '/', '\\' and 0xFF that is not a trail byte to `separator`.
void unify_separators(char *text, char separator);
// paths.cpp: the "X:\" or "\\server\share" that `path` begins with, or "" into `root`.
void path_root(char *root, const char *path);
// paths.cpp: adds a '/' unless the path's last character is a separator.
void append_separator(char *path);
// paths.cpp: destination (or its root, for a member path from the root), '/', member path.
void join_member_path(char *output, const char *destination, const char *member_path);
// sanitize.cpp: cleans up to `limit` bytes of `text` under the volume's rules, cuts there.
char *sanitize_span(char *text, int limit, int long_names);
// sanitize.cpp: cleans one component, cut to 255 bytes or put in 8.3 form.
void sanitize_component(char *component, int long_names);
// sanitize.cpp: cleans each '/'-separated component of `path` in place.
void sanitize_path(char *path, int long_names);
// paths.cpp: creates every directory before a '/' of `path`, failures passed over.
void create_parent_directories(const char *path);
// paths.cpp: the destination's root and the component length and rules of its volume.
void query_output_volume();

// paths.cpp: writes state.output_path for state.member_path. Returns 0 without writing a
// usable path when the member may not be written: the joined path does not fit, the member
// path begins with two separators, or a component of it is "..". The caller reports it as
// a bad header.
int build_output_path();

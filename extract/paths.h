// Output paths under the destination folder, name cleaning and directory creation.
#pragma once

#include <stdint.h>

void unify_separators(char *text, char separator);
void path_root(char *root, const char *path);
void append_separator(char *path);
void join_member_path(char *output, const char *destination, const char *member_path);
char *sanitize_span(char *text, int limit, int long_names);
void sanitize_component(char *component, int long_names);
void sanitize_path(char *path, int long_names);
void create_parent_directories(const char *path);
void query_output_volume();

// Writes state.output_path for state.member_path. Returns 0 without writing a usable path
// when the member may not be written: the joined path does not fit, the member path
// begins with two separators, or a component of it is "..". The caller reports it as a
// bad header.
int build_output_path();

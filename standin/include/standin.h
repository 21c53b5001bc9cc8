// What tests and host tools see of the stand-in: its settings and the scripted user.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace standin {

// ---- file system: Windows paths onto host folders ------------------------------------
// A drive letter maps to a host folder ("C:\a\b" -> "<folder>/a/b"); names cross the
// boundary converted between code page 932 and UTF-8. Unmapped drives do not exist.
void map_drive(char letter, const std::string &host_folder);
void unmap_all_drives();
// The host path for a Windows path, or "" when it cannot be mapped (unmapped drive, UNC
// path, a name that does not convert).
std::string host_path(const char *windows_path);
void set_current_directory(const std::string &windows_path);
void set_system_directory(const std::string &windows_path);
void set_temp_path(const std::string &windows_path);
void set_max_component_length(DWORD length); // what GetVolumeInformationA reports
void set_volume_query_fails(bool fails);
// Writes after `bytes` more bytes come up short: with `short_write` the call reports
// success with fewer bytes written, otherwise it fails with ERROR_DISK_FULL.
void fail_writes_after(uint64_t bytes, bool short_write);
void fail_next_close();
void fail_next_allocation(); // LocalAlloc

// ---- process ---------------------------------------------------------------------------
void set_module_file_name(const std::string &windows_path);
void set_version(DWORD version);
void set_environment(const std::string &name, const std::string &value);
void clear_environment();
void set_registry_value(const std::string &key, const std::string &name, const std::string &value);
void clear_registry();

struct ShellExecuteRecord {
    HWND owner;
    std::string verb, file, parameters, directory;
    bool has_verb, has_parameters;
    int show;
};
std::vector<ShellExecuteRecord> &shell_executions();

// ---- message boxes and the scripted user -----------------------------------------------
struct MessageBoxRecord {
    HWND owner;
    std::string text, caption; // as the program passed them (code page 932)
    UINT style;
};
std::vector<MessageBoxRecord> &message_boxes();
// Answers for the next boxes, in order; with none queued a box answers IDOK (or IDYES
// for a yes/no box). A handler, when set, answers instead (the terminal tools use it).
void queue_message_box_answer(int answer);
void set_message_box_handler(std::function<int(const MessageBoxRecord &)> handler);

// ---- text -------------------------------------------------------------------------------
std::string to_utf8(const std::string &cp932); // "" when it does not convert
std::string to_cp932(const std::string &utf8);
bool converts_to_utf8(const std::string &cp932);

// Puts every setting above back to its start value and forgets recorded calls.
void reset();

} // namespace standin

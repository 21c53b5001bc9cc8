// What tests and host tools see of the stand-in: its settings and the scripted user.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <functional>
#include <optional>
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
// A confined drive's paths never lead through a symbolic link or a ".." component: such
// a path is not found, and files there are opened without following a link.
void confine_drive(char letter);
// A drive on which nothing exists: a file created there for writing takes every byte and
// keeps none (mapping the letter again with map_drive ends this).
void map_null_drive(char letter);
// Every name CreateDirectoryA was given, in order, whether the directory was made or not.
std::vector<std::string> &directory_requests();
// Writes after `bytes` more bytes come up short: with `short_write` the call reports
// success with fewer bytes written, otherwise it fails with ERROR_DISK_FULL.
void fail_writes_after(uint64_t bytes, bool short_write);
void fail_next_close();
void fail_next_allocation(); // LocalAlloc
// CreateFileA, WriteFile and MoveFileA can fail on request: the `nth` call from now (1 for
// the next) fails with ERROR_ACCESS_DENIED and does nothing. file_calls_made counts the
// calls since reset(), so that a test can learn how many calls a run makes.
enum class FileCall { Create, Write, Move };
void fail_file_call(FileCall call, int nth);
int file_calls_made(FileCall call);

// ---- process ---------------------------------------------------------------------------
void set_module_file_name(const std::string &windows_path);
void set_version(DWORD version);
// GetTickCount: the milliseconds of the host's monotonic clock, or, once set, a clock that
// starts at the value given and moves by `step` after each reading (0: it stands still);
// reset() lets it follow the host clock again.
void set_tick_count(DWORD milliseconds, DWORD step = 0);
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

// ---- dialog templates of the embedded resources ----------------------------------------
// What the resource script compiled to (the host build embeds the .res); texts in UTF-8.
struct DialogControl {
    int id;                 // sign-extended: -1 for the unnumbered statics
    std::string class_name; // "BUTTON", "EDIT", "STATIC", "LISTBOX", "COMBOBOX" or the name
    std::string text;
    int x, y, cx, cy;
    DWORD style, exstyle;
};
struct DialogTemplate {
    DWORD style, exstyle;
    int x, y, cx, cy;
    std::string caption, font;
    int point_size;                      // 0 without DS_SETFONT
    std::vector<DialogControl> controls; // template order
};
// nullptr when the resources hold no dialog with that id.
const DialogTemplate *dialog_template(int id);
// Language of a resource (RT_DIALOG 5, RT_STRING 6, RT_GROUP_ICON 14, ...), -1 when absent;
// string table blocks are named id / 16 + 1.
int resource_language(int type, int id);
std::string resource_bytes(int type, int id); // "" when absent
// An entry of the compiled string table in UTF-8; nullopt when the table lacks it.
std::optional<std::string> resource_string(int id);

// ---- dialogs and the scripted user -----------------------------------------------------
// A modal dialog (DialogBoxParamA, GetOpenFileNameA) runs like this: its window and
// controls are created, the procedure gets WM_INITDIALOG, and then the scripted user acts:
// the first handler queued for its template id, else the default handler. Each action is
// delivered at once, followed by the messages it caused to be posted. When the handler
// returns, the dialog is over: its EndDialog value, or -1 and a failure in its record when
// nothing ended it. Handlers may open further dialogs (nesting) through their actions.
// While a dialog runs, its owner is disabled, as on the platform.
void queue_dialog_handler(int template_id, std::function<void(HWND dialog)> handler);
void set_default_dialog_handler(std::function<void(HWND dialog, int template_id)> handler);
// Called whenever PeekMessageA finds the queue empty (not re-entered from inside itself);
// e.g. `press(main_dialog, IDCANCEL)` while an extraction pumps its messages.
void set_idle_handler(std::function<void()> handler);

struct DialogRecord {
    int template_id;
    HWND window, owner;  // window handles stay valid (and readable) until reset()
    std::string caption; // at the end, code page 932
    INT_PTR result;
    std::string failure; // empty when the dialog was created and ended by EndDialog
};
std::vector<DialogRecord> &dialogs();
// Whether an ended dialog's windows stay readable until reset() (the default, for tests).
// Without, they are freed as the dialog returns, as the platform destroys them: handles to
// them stop being windows, messages still posted to them are dropped and their records
// hold no window, so a long run of dialogs keeps only its small records.
void set_keep_ended_dialogs(bool keep);
// The innermost dialog still running, or nullptr.
HWND active_dialog();
bool dialog_is_open(HWND dialog); // created and EndDialog not yet called

// Actions. Each returns whether it reached the dialog procedure.
// A click: WM_COMMAND (id, BN_CLICKED) when the dialog and the control are enabled and
// the control visible; a clicked button takes the focus first.
bool press(HWND dialog, int id);
// Enter: the focused push button, else the first BS_DEFPUSHBUTTON control when enabled,
// else IDOK.
bool press_enter(HWND dialog);
bool press_escape(HWND dialog); // IDCANCEL
// The close box: WM_CLOSE; unhandled, it becomes IDCANCEL unless a Cancel button is disabled.
bool press_close_box(HWND dialog);
// Replaces the text of an enabled, visible edit control, cut to its EM_LIMITTEXT limit
// (bytes of code page 932, never half a double-byte character). Sends EN_CHANGE.
bool type_text(HWND dialog, int id, const std::string &cp932_text);
// Moves the focus to an enabled, visible control (a click or Tab would).
bool focus_control(HWND dialog, int id);
// The directory picker's lists: opening a directory makes it the process's current
// directory and shows it in control 1088, as the old-style open-file dialog does.
bool picker_open_directory(HWND picker, const std::string &cp932_windows_path);

// Readers (texts in code page 932).
std::string window_text(HWND window);
std::string control_text(HWND dialog, int id);
bool control_enabled(HWND dialog, int id);
bool control_visible(HWND dialog, int id);
DWORD control_style(HWND dialog, int id);
int control_text_limit(HWND dialog, int id); // 0: no limit set
int progress_position(HWND dialog, int id);
HICON control_icon(HWND dialog, int id); // STM_SETICON
int focused_control_id(HWND dialog);     // 0 when the focus is not on one of its controls
POINT window_position(HWND window);      // top-left corner, screen pixels
int dialog_template_id(HWND dialog);
HICON window_icon(HWND window, bool big); // WM_SETICON

// The screen (GetSystemMetrics) and the pixel size of dialog units. A dialog unit is a
// quarter of the font's average width (6 pixels) across and an eighth of its height
// (13 pixels) down, i.e. 1.5 and 1.625 pixels, rounded as MulDiv rounds; a window's
// rectangle is its template box in pixels, no frame added.
void set_screen_size(int width, int height); // default 1024 x 768
bool common_controls_initialised();

// ---- the folder chooser's system dialogs -----------------------------------------------
// Shell32's SHBrowseForFolderA, SHGetPathFromIDListA and SHGetMalloc are found through
// GetProcAddress on shell32.dll (LoadLibraryA or GetModuleHandleA); without the browser
// (Windows NT 3.51) the module is there but those names are not.
void set_shell_browser_available(bool available);
// Answers of the next browsers, in order. A browser with no answer queued cancels and is
// recorded as unanswered.
void queue_folder_browser_answer(const std::string &cp932_windows_path);
void queue_folder_browser_cancel();
void queue_folder_browser_non_file_item(); // e.g. the printers: no file-system path
struct FolderBrowserRecord {
    BROWSEINFOA request; // as passed (pointers as given)
    std::string title;   // copied at the call, code page 932
    bool unanswered;
};
std::vector<FolderBrowserRecord> &folder_browsers();
// The shell's allocator counts what it is asked: item lists of the browser are its blocks too.
struct ShellAllocatorCounts {
    int allocations, frees, live_blocks;
    int references; // SHGetMalloc and AddRef minus Release
};
ShellAllocatorCounts shell_allocator_counts();
void set_shell_allocator_available(bool available); // SHGetMalloc fails with E_FAIL
void fail_next_shell_allocation();

// GetOpenFileNameA runs the request's template with its hook as the dialog procedure
// (scripted as template 102 is queued), fills control 1088 with the current directory and
// behaves as the old-style dialog does when the hook leaves a command to it: OK with the
// focus on the directory list (1121) or drive list (1137) opens that entry and nothing ends;
// IDCANCEL ends with FALSE; IDABORT ends with the low word of its lParam.
struct OpenFileNameRecord {
    OPENFILENAMEA request;    // as passed (pointers as given)
    std::string title;        // copied at the call
    std::string file_at_call; // the file-name buffer's text at the call
    BOOL result;
};
std::vector<OpenFileNameRecord> &open_file_dialogs();

// ---- text -------------------------------------------------------------------------------
std::string to_utf8(const std::string &cp932); // "" when it does not convert
std::string to_cp932(const std::string &utf8);
bool converts_to_utf8(const std::string &cp932);

// Puts every setting above back to its start value and forgets recorded calls.
void reset();

} // namespace standin

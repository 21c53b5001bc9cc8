// The window manager's own state, shared by the windows*.cpp files.
#pragma once

#include "internal.h"

#include <functional>
#include <string>
#include <vector>

// The compiled resource script, generated into the build folder (cmake/embed-resources.cmake).
extern const unsigned char standin_resource_bytes[];
extern const size_t standin_resource_size;

namespace standin {

enum class ControlKind { Dialog, Button, Edit, Static, ListBox, ComboBox, Progress, Unknown };

// What a dialog does with a message: its procedure (the program's dialog procedure or a
// common-dialog hook), and, when that returns FALSE, the defaults of the dialog manager.
using WindowProcedure = std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)>;

} // namespace standin

// One window: a dialog or one of its controls. Windows live until reset() unless freed
// (set_keep_ended_dialogs), so handles stay valid for the readers after a dialog has ended;
// `destroyed` marks the ended ones.
struct StandinWindow {
    standin::ControlKind kind = standin::ControlKind::Dialog;
    StandinWindow *parent = nullptr; // the dialog of a control
    StandinWindow *owner = nullptr;  // the owner of a dialog
    int id = 0;
    std::string text; // code page 932
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0; // pixels; a control's position is relative to its dialog
    bool destroyed = false;

    // controls
    int text_limit = 0; // EM_LIMITTEXT, 0 = none
    int position = 0;   // progress bar
    HICON icon = nullptr;

    // dialogs
    int template_id = 0;
    std::vector<StandinWindow *> controls; // template order
    standin::WindowProcedure procedure;
    standin::WindowProcedure defaults;
    bool ended = false;
    bool owner_was_enabled = false;
    INT_PTR result = 0;
    LONG_PTR message_result = 0, user_data = 0;
    HICON big_icon = nullptr, small_icon = nullptr;
};

namespace standin {

// ---- windows.cpp: the set of windows and the focus
StandinWindow *window_of(HWND window); // nullptr for handles that were never created
StandinWindow *new_window();
StandinWindow *control_of(StandinWindow *dialog, int id);
bool is_enabled(const StandinWindow *window);
bool is_visible(const StandinWindow *window);
void set_focus(StandinWindow *window);
StandinWindow *focus_window();
// Frees a dialog and its controls; their handles stop being windows.
void free_dialog(StandinWindow *dialog);
void reset_windows();

// ---- windows_messages.cpp: sending, the queue and the idle handler
LRESULT send_message(StandinWindow *window, UINT message, WPARAM wparam, LPARAM lparam);
// The defaults of the dialog manager for a message the procedure left alone.
INT_PTR dialog_defaults(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);
// Delivers the messages posted so far, as a modal loop does between two inputs (skipped
// while the idle handler runs: the program's own loop is draining the queue then).
void deliver_posted_messages();
void drop_messages_for(const StandinWindow *window);
void reset_queue();

// ---- windows_resources.cpp
bool resource_exists(int type, int id);
ControlKind kind_of_class(const std::string &class_name);

// ---- windows_geometry.cpp: dialog units to pixels
int dialog_units_to_x(int units);
int dialog_units_to_y(int units);
void reset_geometry();

// ---- windows_dialogs.cpp: the modal run shared by DialogBoxParamA and GetOpenFileNameA.
// `prepare` runs after the windows exist and before WM_INITDIALOG.
INT_PTR run_modal_dialog(int template_id, HWND owner, WindowProcedure procedure,
                         WindowProcedure defaults, LPARAM parameter,
                         const std::function<void(StandinWindow *)> &prepare);
StandinWindow *open_dialog_of(HWND dialog); // a running dialog not yet ended, or nullptr
void reset_modal_dialogs();

// ---- the rest of reset_dialogs()
void reset_icons();
void reset_shell();
void reset_open_file_dialogs();

} // namespace standin

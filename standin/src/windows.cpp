// The window manager: the set of windows, the focus, texts and enabled states.
#include "window_manager.h"

#include <memory>
#include <unordered_set>

namespace {
std::vector<std::unique_ptr<StandinWindow>> windows;
std::unordered_set<StandinWindow *> known;
StandinWindow *focus = nullptr;

StandinWindow *checked(HWND window) {
    StandinWindow *w = standin::window_of(window);
    if (!w)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}
} // namespace

namespace standin {

StandinWindow *window_of(HWND window) {
    return known.count(window) ? window : nullptr;
}

StandinWindow *new_window() {
    windows.push_back(std::make_unique<StandinWindow>());
    known.insert(windows.back().get());
    return windows.back().get();
}

StandinWindow *control_of(StandinWindow *dialog, int id) {
    if (!dialog)
        return nullptr;
    for (StandinWindow *control : dialog->controls)
        if (control->id == id)
            return control;
    return nullptr;
}

bool is_enabled(const StandinWindow *window) {
    return !(window->style & WS_DISABLED);
}
bool is_visible(const StandinWindow *window) {
    return (window->style & WS_VISIBLE) != 0;
}

void set_focus(StandinWindow *window) {
    focus = window;
}
StandinWindow *focus_window() {
    return focus;
}

void free_dialog(StandinWindow *dialog) {
    std::unordered_set<StandinWindow *> gone(dialog->controls.begin(), dialog->controls.end());
    gone.insert(dialog);
    for (StandinWindow *w : gone) {
        known.erase(w);
        drop_messages_for(w);
        if (focus == w)
            focus = nullptr;
    }
    std::erase_if(
        windows, [&](const std::unique_ptr<StandinWindow> &w) { return gone.count(w.get()) != 0; });
}

void reset_windows() {
    focus = nullptr;
    known.clear();
    windows.clear();
}

void reset_dialogs() {
    reset_modal_dialogs();
    reset_queue();
    reset_windows();
    reset_geometry();
    reset_icons();
    reset_shell();
    reset_open_file_dialogs();
}

} // namespace standin

HWND GetDlgItem(HWND dialog, int id) {
    return standin::control_of(standin::window_of(dialog), id);
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    StandinWindow *w = checked(window);
    return w ? (BOOL)standin::send_message(w, WM_SETTEXT, 0, (LPARAM)text) : FALSE;
}

int GetWindowTextA(HWND window, LPSTR text, int size) {
    StandinWindow *w = checked(window);
    if (!w) {
        if (size > 0)
            text[0] = 0;
        return 0;
    }
    return (int)standin::send_message(w, WM_GETTEXT, (WPARAM)size, (LPARAM)text);
}

int GetWindowTextLengthA(HWND window) {
    StandinWindow *w = checked(window);
    return w ? (int)standin::send_message(w, WM_GETTEXTLENGTH, 0, 0) : 0;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SetWindowTextA(control, text) : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size) {
    HWND control = GetDlgItem(dialog, id);
    if (!control) {
        if (size > 0)
            text[0] = 0;
        return 0;
    }
    return (UINT)GetWindowTextA(control, text, size);
}

// Returns whether the window was disabled before. A window that loses its enabled state
// also loses the focus, as on the platform.
BOOL EnableWindow(HWND window, BOOL enable) {
    StandinWindow *w = checked(window);
    if (!w)
        return FALSE;
    BOOL was_disabled = !standin::is_enabled(w);
    if (enable) {
        w->style &= ~(DWORD)WS_DISABLED;
    } else {
        w->style |= WS_DISABLED;
        if (focus == w)
            focus = nullptr;
    }
    return was_disabled;
}

BOOL IsWindowEnabled(HWND window) {
    StandinWindow *w = checked(window);
    return w && standin::is_enabled(w);
}

BOOL IsWindowVisible(HWND window) {
    StandinWindow *w = checked(window);
    return w && standin::is_visible(w) && (!w->parent || standin::is_visible(w->parent));
}

HWND SetFocus(HWND window) {
    StandinWindow *previous = focus;
    if (window && !checked(window))
        return nullptr;
    focus = window;
    return previous;
}

HWND GetFocus() {
    return focus;
}

int GetDlgCtrlID(HWND window) {
    StandinWindow *w = checked(window);
    return w && w->parent ? w->id : 0;
}

// Window data (the window longs of dialogs) and icons.
#include "window_manager.h"

#include <map>
#include <memory>

struct StandinIcon {
    bool system; // a predefined icon (IDI_*) rather than one of the program's resources
    int id;
};

namespace {
std::map<std::pair<bool, int>, std::unique_ptr<StandinIcon>> icons;

// Both forms lead to the same slots of a dialog; the plain form keeps 32 bits of them.
LONG_PTR *slot(HWND window, int index, bool pointer_form) {
    StandinWindow *w = standin::window_of(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (w->kind == standin::ControlKind::Dialog) {
        if (index == (pointer_form ? DWLP_MSGRESULT : DWL_MSGRESULT))
            return &w->message_result;
        if (index == (pointer_form ? DWLP_USER : DWL_USER))
            return &w->user_data;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return nullptr;
}

LONG_PTR get_long(HWND window, int index, bool pointer_form) {
    StandinWindow *w = standin::window_of(window);
    if (w && index == GWL_STYLE)
        return (LONG_PTR)w->style;
    if (w && index == GWL_ID)
        return w->id;
    LONG_PTR *p = slot(window, index, pointer_form);
    return p ? *p : 0;
}

LONG_PTR set_long(HWND window, int index, LONG_PTR value, bool pointer_form) {
    LONG_PTR *p = slot(window, index, pointer_form);
    if (!p)
        return 0;
    LONG_PTR previous = *p;
    *p = value;
    return previous;
}
} // namespace

namespace standin {
void reset_icons() {
    icons.clear();
}
} // namespace standin

LONG GetWindowLongA(HWND window, int index) {
    return (LONG)get_long(window, index, false);
}
LONG SetWindowLongA(HWND window, int index, LONG value) {
    return (LONG)set_long(window, index, value, false);
}
LONG_PTR GetWindowLongPtrA(HWND window, int index) {
    return get_long(window, index, true);
}
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    return set_long(window, index, value, true);
}

// Predefined icons with no instance, the program's own icon groups with its instance;
// each icon has one handle, however often it is loaded.
HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    int id = IS_INTRESOURCE(name) ? (int)(ULONG_PTR)name : -1;
    bool system = instance == nullptr;
    bool exists = system ? id >= 32512 && id <= 32516
                         : instance == GetModuleHandleA(nullptr) &&
                               standin::resource_exists(14, id); // RT_GROUP_ICON
    if (!exists) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    auto &icon = icons[{system, id}];
    if (!icon)
        icon = std::make_unique<StandinIcon>(StandinIcon{system, id});
    return icon.get();
}

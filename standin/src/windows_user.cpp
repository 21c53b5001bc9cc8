// The scripted user's actions on a running dialog, and what tests read back.
#include "window_manager.h"

namespace {
using standin::ControlKind;

// A control that a user could reach in a running, enabled dialog; nullptr otherwise.
StandinWindow *reachable(HWND dialog, int id) {
    StandinWindow *d = standin::open_dialog_of(dialog);
    if (!d || !standin::is_enabled(d))
        return nullptr;
    StandinWindow *c = standin::control_of(d, id);
    return c && standin::is_enabled(c) && standin::is_visible(c) ? c : nullptr;
}

bool is_push_button(const StandinWindow *c) {
    return c->kind == ControlKind::Button && (c->style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON;
}

bool command(StandinWindow *d, WPARAM wparam, StandinWindow *control) {
    standin::send_message(d, WM_COMMAND, wparam, (LPARAM)control);
    standin::deliver_posted_messages();
    return true;
}

StandinWindow *control(HWND dialog, int id) {
    return standin::control_of(standin::window_of(dialog), id);
}
} // namespace

namespace standin {

bool press(HWND dialog, int id) {
    StandinWindow *c = reachable(dialog, id);
    if (!c)
        return false;
    if (c->kind == ControlKind::Button)
        set_focus(c);
    return command(c->parent, MAKEWPARAM(id, BN_CLICKED), c);
}

// As the platform's dialog manager does it: a focused push button is pressed; else the
// default push button, if enabled; a dialog without one gets IDOK.
bool press_enter(HWND dialog) {
    StandinWindow *d = open_dialog_of(dialog);
    if (!d || !is_enabled(d))
        return false;
    StandinWindow *f = focus_window();
    if (f && f->parent == d && is_push_button(f))
        return command(d, MAKEWPARAM(f->id, BN_CLICKED), f);
    for (StandinWindow *c : d->controls) {
        if (c->kind == ControlKind::Button && (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            if (!is_enabled(c))
                return false;
            return command(d, MAKEWPARAM(c->id, BN_CLICKED), c);
        }
    }
    return command(d, IDOK, control_of(d, IDOK));
}

bool press_escape(HWND dialog) {
    StandinWindow *d = open_dialog_of(dialog);
    if (!d || !is_enabled(d))
        return false;
    return command(d, IDCANCEL, control_of(d, IDCANCEL));
}

bool press_close_box(HWND dialog) {
    StandinWindow *d = open_dialog_of(dialog);
    if (!d || !is_enabled(d))
        return false;
    send_message(d, WM_CLOSE, 0, 0);
    deliver_posted_messages();
    return true;
}

bool type_text(HWND dialog, int id, const std::string &cp932_text) {
    StandinWindow *c = reachable(dialog, id);
    if (!c || c->kind != ControlKind::Edit)
        return false;
    size_t end = 0;
    while (end < cp932_text.size()) {
        size_t next = end + (IsDBCSLeadByte((BYTE)cp932_text[end]) ? 2 : 1);
        if (next > cp932_text.size() || (c->text_limit > 0 && next > (size_t)c->text_limit))
            break;
        end = next;
    }
    set_focus(c);
    c->text = cp932_text.substr(0, end);
    return command(c->parent, MAKEWPARAM(id, EN_CHANGE), c);
}

bool focus_control(HWND dialog, int id) {
    StandinWindow *c = reachable(dialog, id);
    if (c)
        set_focus(c);
    return c != nullptr;
}

std::string window_text(HWND window) {
    StandinWindow *w = window_of(window);
    return w ? w->text : "";
}
std::string control_text(HWND dialog, int id) {
    StandinWindow *c = control(dialog, id);
    return c ? c->text : "";
}
bool control_enabled(HWND dialog, int id) {
    StandinWindow *c = control(dialog, id);
    return c && is_enabled(c);
}
bool control_visible(HWND dialog, int id) {
    StandinWindow *c = control(dialog, id);
    return c && is_visible(c);
}
DWORD control_style(HWND dialog, int id) {
    StandinWindow *c = control(dialog, id);
    return c ? c->style : 0;
}
int control_text_limit(HWND dialog, int id) {
    StandinWindow *c = control(dialog, id);
    return c ? c->text_limit : 0;
}
int progress_position(HWND dialog, int id) {
    StandinWindow *c = control(dialog, id);
    return c ? c->position : 0;
}
HICON control_icon(HWND dialog, int id) {
    StandinWindow *c = control(dialog, id);
    return c ? c->icon : nullptr;
}
int focused_control_id(HWND dialog) {
    StandinWindow *f = focus_window();
    return f && f->parent && f->parent == window_of(dialog) ? f->id : 0;
}
int dialog_template_id(HWND dialog) {
    StandinWindow *d = window_of(dialog);
    return d ? d->template_id : 0;
}
HICON window_icon(HWND window, bool big) {
    StandinWindow *w = window_of(window);
    return w ? (big ? w->big_icon : w->small_icon) : nullptr;
}

} // namespace standin

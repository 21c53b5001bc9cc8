// Modal dialogs: creation from the templates, the run under the scripted user, EndDialog,
// and the record of every dialog shown.
#include "window_manager.h"

#include <commctrl.h>

#include <deque>

namespace {
struct QueuedHandler {
    int template_id;
    std::function<void(HWND)> handler;
};
std::deque<QueuedHandler> handlers;
std::function<void(HWND, int)> default_handler;
std::vector<standin::DialogRecord> records;
std::vector<StandinWindow *> running; // innermost last
bool common_controls = false;
bool keep_ended = true;

// The first control class of the template that the platform would not know; "" if none.
std::string unregistered_class(const standin::DialogTemplate &t) {
    for (const standin::DialogControl &c : t.controls) {
        standin::ControlKind kind = standin::kind_of_class(c.class_name);
        if (kind == standin::ControlKind::Unknown ||
            (kind == standin::ControlKind::Progress && !common_controls))
            return c.class_name;
    }
    return "";
}

// Without DS_ABSALIGN the template's position counts from the owner's corner.
StandinWindow *create_dialog(const standin::DialogTemplate &t, int template_id,
                             StandinWindow *owner) {
    using namespace standin;
    StandinWindow *d = new_window();
    d->template_id = template_id;
    d->owner = owner;
    d->style = t.style;
    d->text = to_cp932(t.caption);
    d->x = dialog_units_to_x(t.x) + (owner && !(t.style & DS_ABSALIGN) ? owner->x : 0);
    d->y = dialog_units_to_y(t.y) + (owner && !(t.style & DS_ABSALIGN) ? owner->y : 0);
    d->cx = dialog_units_to_x(t.cx);
    d->cy = dialog_units_to_y(t.cy);
    for (const DialogControl &tc : t.controls) {
        StandinWindow *c = new_window();
        c->kind = kind_of_class(tc.class_name);
        c->parent = d;
        c->id = tc.id;
        c->text = to_cp932(tc.text);
        c->style = tc.style;
        c->x = dialog_units_to_x(tc.x);
        c->y = dialog_units_to_y(tc.y);
        c->cx = dialog_units_to_x(tc.cx);
        c->cy = dialog_units_to_y(tc.cy);
        d->controls.push_back(c);
    }
    return d;
}

StandinWindow *first_tab_stop(StandinWindow *d) {
    for (StandinWindow *c : d->controls)
        if ((c->style & WS_TABSTOP) && standin::is_enabled(c) && standin::is_visible(c))
            return c;
    return nullptr;
}

// The first handler queued for the template, else the default one; false when neither.
bool run_script(StandinWindow *d) {
    for (auto it = handlers.begin(); it != handlers.end(); ++it) {
        if (it->template_id == d->template_id) {
            std::function<void(HWND)> handler = std::move(it->handler);
            handlers.erase(it);
            handler(d);
            return true;
        }
    }
    if (!default_handler)
        return false;
    default_handler(d, d->template_id);
    return true;
}

// Ending hides the dialog and gives the owner back its enabled state at once, as the
// platform's EndDialog does; the run notices the end when the current action is over.
void end_dialog(StandinWindow *d, INT_PTR result) {
    d->ended = true;
    d->result = result;
    d->style &= ~(DWORD)WS_VISIBLE;
    if (d->owner && d->owner_was_enabled)
        d->owner->style &= ~(DWORD)WS_DISABLED;
}
} // namespace

namespace standin {

INT_PTR run_modal_dialog(int template_id, HWND owner, WindowProcedure procedure,
                         WindowProcedure defaults, LPARAM parameter,
                         const std::function<void(StandinWindow *)> &prepare) {
    size_t index = records.size();
    records.push_back(DialogRecord{template_id, nullptr, owner, "", -1, ""});
    const DialogTemplate *t = dialog_template(template_id);
    if (!t) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        records[index].failure = "no dialog template " + std::to_string(template_id);
        return -1;
    }
    std::string missing = unregistered_class(*t);
    if (!missing.empty()) {
        records[index].failure = "window class " + missing + " is not registered";
        if (kind_of_class(missing) == ControlKind::Progress)
            records[index].failure += " (InitCommonControls was not called)";
        return -1;
    }

    StandinWindow *owner_window = window_of(owner);
    StandinWindow *d = create_dialog(*t, template_id, owner_window);
    d->procedure = std::move(procedure);
    d->defaults = std::move(defaults);
    records[index].window = d;
    if (prepare)
        prepare(d);
    StandinWindow *saved_focus = focus_window();
    if (owner_window) {
        d->owner_was_enabled = is_enabled(owner_window);
        owner_window->style |= WS_DISABLED;
    }
    set_focus(nullptr);
    running.push_back(d);

    StandinWindow *initial = first_tab_stop(d);
    INT_PTR wants_focus =
        d->procedure ? d->procedure(d, WM_INITDIALOG, (WPARAM)initial, parameter) : TRUE;
    if (wants_focus && initial && !d->ended)
        set_focus(initial);
    if (!d->ended)
        d->style |= WS_VISIBLE;
    bool scripted = d->ended || run_script(d);
    deliver_posted_messages();

    running.pop_back();
    if (!d->ended) {
        records[index].failure = scripted ? "the script left the dialog open" : "no script";
        end_dialog(d, -1);
    }
    records[index].caption = d->text;
    records[index].result = d->result;
    d->destroyed = true;
    StandinWindow *focus = focus_window();
    if (!focus || focus == d || focus->parent == d)
        set_focus(saved_focus && !saved_focus->destroyed ? saved_focus : nullptr);
    const INT_PTR result = d->result;
    if (!keep_ended) {
        records[index].window = nullptr;
        free_dialog(d);
    }
    return result;
}

StandinWindow *open_dialog_of(HWND dialog) {
    StandinWindow *d = window_of(dialog);
    return d && d->kind == ControlKind::Dialog && !d->ended && !d->destroyed ? d : nullptr;
}

void queue_dialog_handler(int template_id, std::function<void(HWND)> handler) {
    handlers.push_back({template_id, std::move(handler)});
}

void set_default_dialog_handler(std::function<void(HWND, int)> handler) {
    default_handler = std::move(handler);
}

std::vector<DialogRecord> &dialogs() {
    return records;
}

HWND active_dialog() {
    for (auto it = running.rbegin(); it != running.rend(); ++it)
        if (!(*it)->ended)
            return *it;
    return nullptr;
}

bool dialog_is_open(HWND dialog) {
    return open_dialog_of(dialog) != nullptr;
}

bool common_controls_initialised() {
    return common_controls;
}

void set_keep_ended_dialogs(bool keep) {
    keep_ended = keep;
}

void reset_modal_dialogs() {
    keep_ended = true;
    handlers.clear();
    default_handler = nullptr;
    records.clear();
    running.clear();
    common_controls = false;
}

} // namespace standin

void InitCommonControls(void) {
    common_controls = true;
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR template_name, HWND owner, DLGPROC proc,
                        LPARAM parameter) {
    int id = IS_INTRESOURCE(template_name) && instance == GetModuleHandleA(nullptr)
                 ? (int)(ULONG_PTR)template_name
                 : 0;
    standin::WindowProcedure procedure;
    if (proc)
        procedure = proc;
    return standin::run_modal_dialog(id, owner, std::move(procedure), nullptr, parameter, nullptr);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    StandinWindow *d = standin::window_of(dialog);
    if (!d || d->kind != standin::ControlKind::Dialog || d->destroyed)
        return FALSE;
    end_dialog(d, result);
    return TRUE;
}

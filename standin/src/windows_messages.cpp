// Messages: what dialogs and controls do with them, the posted-message queue and the idle
// handler of the scripted user.
#include "window_manager.h"

#include <commctrl.h>

#include <deque>

namespace {
std::deque<MSG> queue;
std::function<void()> idle_handler;
bool idle_running = false;

// Text and icon messages, the same for a dialog and a control.
bool window_defaults(StandinWindow *w, UINT message, WPARAM wparam, LPARAM lparam,
                     LRESULT &result) {
    switch (message) {
    case WM_SETTEXT:
        w->text = lparam ? (const char *)lparam : "";
        result = TRUE;
        return true;
    case WM_GETTEXT: {
        size_t size = (size_t)wparam;
        result = 0;
        if (size == 0)
            return true;
        size_t n = w->text.size() < size - 1 ? w->text.size() : size - 1;
        memcpy((char *)lparam, w->text.data(), n);
        ((char *)lparam)[n] = 0;
        result = (LRESULT)n;
        return true;
    }
    case WM_GETTEXTLENGTH:
        result = (LRESULT)w->text.size();
        return true;
    case WM_SETICON: {
        HICON &slot = wparam == ICON_BIG ? w->big_icon : w->small_icon;
        result = (LRESULT)slot;
        slot = (HICON)lparam;
        return true;
    }
    }
    return false;
}

LRESULT control_procedure(StandinWindow *c, UINT message, WPARAM wparam, LPARAM lparam) {
    using standin::ControlKind;
    LRESULT result = 0;
    if (window_defaults(c, message, wparam, lparam, result))
        return result;
    if (c->kind == ControlKind::Edit && message == EM_LIMITTEXT) {
        c->text_limit = (int)wparam;
    } else if (c->kind == ControlKind::Button && message == BM_SETSTYLE) {
        c->style = (c->style & ~(DWORD)BS_TYPEMASK) | ((DWORD)wparam & BS_TYPEMASK);
    } else if (c->kind == ControlKind::Progress && message == PBM_SETPOS) {
        // The bar keeps its default range, 0 to 100.
        result = c->position;
        int position = (int)wparam;
        c->position = position < 0 ? 0 : position > 100 ? 100 : position;
    } else if (c->kind == ControlKind::Progress && message == PBM_GETPOS) {
        result = c->position;
    } else if (c->kind == ControlKind::Static && message == STM_SETICON) {
        result = (LRESULT)c->icon;
        c->icon = (HICON)wparam;
    }
    return result;
}

bool matches(const MSG &msg, HWND filter, UINT first, UINT last) {
    if (filter == (HWND)-1) {
        if (msg.hwnd)
            return false;
    } else if (filter) {
        StandinWindow *target = standin::window_of(msg.hwnd);
        if (msg.hwnd != filter && !(target && target->parent == filter))
            return false;
    }
    return (first == 0 && last == 0) || (msg.message >= first && msg.message <= last);
}

std::deque<MSG>::iterator find_message(HWND filter, UINT first, UINT last) {
    auto it = queue.begin();
    while (it != queue.end() && !matches(*it, filter, first, last))
        ++it;
    return it;
}
} // namespace

namespace standin {

// A dialog message first goes to the procedure; what it leaves alone (FALSE) goes to the
// dialog manager's defaults. What a handled message answers is DWL_MSGRESULT, as there.
LRESULT send_message(StandinWindow *w, UINT message, WPARAM wparam, LPARAM lparam) {
    if (w->destroyed)
        return 0;
    if (w->kind != ControlKind::Dialog)
        return control_procedure(w, message, wparam, lparam);
    if (w->procedure && w->procedure(w, message, wparam, lparam))
        return w->message_result;
    return w->defaults ? w->defaults(w, message, wparam, lparam)
                       : dialog_defaults(w, message, wparam, lparam);
}

// WM_CLOSE (the close box) turns into IDCANCEL unless a Cancel button is there and disabled.
INT_PTR dialog_defaults(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (window_defaults(dialog, message, wparam, lparam, result))
        return result;
    if (message == WM_CLOSE) {
        StandinWindow *cancel = control_of(dialog, IDCANCEL);
        if (!cancel || is_enabled(cancel))
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)cancel);
    }
    return 0;
}

void deliver_posted_messages() {
    if (idle_running)
        return;
    while (!queue.empty()) {
        MSG msg = queue.front();
        queue.pop_front();
        DispatchMessageA(&msg);
    }
}

void drop_messages_for(const StandinWindow *window) {
    std::erase_if(queue, [window](const MSG &msg) { return msg.hwnd == window; });
}

void set_idle_handler(std::function<void()> handler) {
    idle_handler = std::move(handler);
}

void reset_queue() {
    queue.clear();
    idle_handler = nullptr;
    idle_running = false;
}

} // namespace standin

LRESULT SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    StandinWindow *w = standin::window_of(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return standin::send_message(w, message, wparam, lparam);
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) {
    HWND control = GetDlgItem(dialog, id);
    return control ? SendMessageA(control, message, wparam, lparam) : 0;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (window && !standin::window_of(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    queue.push_back(MSG{window, message, wparam, lparam, 0, {0, 0}});
    return TRUE;
}

// An empty queue lets the scripted user act (the idle handler), then looks again.
BOOL PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
    auto it = find_message(window, first, last);
    if (it == queue.end() && idle_handler && !idle_running) {
        idle_running = true;
        idle_handler();
        idle_running = false;
        it = find_message(window, first, last);
    }
    if (it == queue.end())
        return FALSE;
    *msg = *it;
    if (remove & PM_REMOVE)
        queue.erase(it);
    return TRUE;
}

// No keyboard reaches the stand-in, so a dialog's messages are just delivered.
BOOL IsDialogMessageA(HWND dialog, LPMSG msg) {
    StandinWindow *d = standin::window_of(dialog);
    StandinWindow *target = msg ? standin::window_of(msg->hwnd) : nullptr;
    if (!d || d->kind != standin::ControlKind::Dialog || !target ||
        (target != d && target->parent != d))
        return FALSE;
    DispatchMessageA(msg);
    return TRUE;
}

BOOL TranslateMessage(const MSG *) {
    return FALSE;
}

LRESULT DispatchMessageA(const MSG *msg) {
    StandinWindow *w = standin::window_of(msg->hwnd);
    return w ? standin::send_message(w, msg->message, msg->wParam, msg->lParam) : 0;
}

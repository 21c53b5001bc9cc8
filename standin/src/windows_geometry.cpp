// Window geometry: the screen, dialog units in pixels, window rectangles and moves.
#include "window_manager.h"

namespace {
int screen_width = 1024, screen_height = 768;

// A dialog unit is a quarter of the dialog font's average character width across and an
// eighth of its height down; the stand-in's font is 6 by 13 pixels. Rounded as MulDiv
// rounds: halves away from zero.
const int base_width = 6, base_height = 13;

int mul_div(int value, int numerator, int denominator) {
    long long product = (long long)value * numerator;
    long long half = denominator / 2;
    return (int)(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

// Screen position of a window's top-left corner: controls sit inside their dialog.
POINT screen_origin(const StandinWindow *w) {
    POINT p{w->x, w->y};
    if (w->parent) {
        p.x += w->parent->x;
        p.y += w->parent->y;
    }
    return p;
}
} // namespace

namespace standin {

int dialog_units_to_x(int units) {
    return mul_div(units, base_width, 4);
}
int dialog_units_to_y(int units) {
    return mul_div(units, base_height, 8);
}

void set_screen_size(int width, int height) {
    screen_width = width;
    screen_height = height;
}

POINT window_position(HWND window) {
    StandinWindow *w = window_of(window);
    return w ? screen_origin(w) : POINT{0, 0};
}

void reset_geometry() {
    screen_width = 1024;
    screen_height = 768;
}

} // namespace standin

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return screen_width;
    case SM_CYSCREEN:
        return screen_height;
    }
    return 0;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
    StandinWindow *w = standin::window_of(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    POINT p = screen_origin(w);
    *rect = RECT{p.x, p.y, p.x + w->cx, p.y + w->cy};
    return TRUE;
}

BOOL SetWindowPos(HWND window, HWND, int x, int y, int cx, int cy, UINT flags) {
    StandinWindow *w = standin::window_of(window);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (!(flags & SWP_NOMOVE)) {
        w->x = x;
        w->y = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        w->cx = cx;
        w->cy = cy;
    }
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
    return SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

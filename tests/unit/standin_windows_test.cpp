// The stand-in's window manager and scripted user, driven through a small dialog procedure
// of the test's own over the program's templates (104: four buttons and statics; 101: an
// edit control and a progress bar).
#include "standin.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Call {
    HWND window;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};
std::vector<Call> calls;
// Set by a test: what the procedure does with a command id, in place of the usual.
std::function<INT_PTR(HWND, int)> on_command;
INT_PTR init_result = TRUE;

// Records every message; any command ends the dialog with its id unless the test says
// otherwise; EN_CHANGE and the progress command 1100 are only recorded.
INT_PTR CALLBACK test_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    calls.push_back({dialog, message, wparam, lparam});
    if (message == WM_INITDIALOG)
        return init_result;
    if (message != WM_COMMAND || HIWORD(wparam) == EN_CHANGE)
        return FALSE;
    int id = LOWORD(wparam);
    if (on_command)
        return on_command(dialog, id);
    EndDialog(dialog, id);
    return TRUE;
}

std::vector<Call> calls_with(UINT message) {
    std::vector<Call> out;
    for (const Call &c : calls)
        if (c.message == message)
            out.push_back(c);
    return out;
}

INT_PTR show(int template_id, HWND owner = nullptr, LPARAM parameter = 0) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(template_id), owner,
                           test_procedure, parameter);
}

class WindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        standin::reset();
        InitCommonControls();
        calls.clear();
        on_command = nullptr;
        init_result = TRUE;
    }
};

// ---- modal runs and their record -------------------------------------------------------

TEST_F(WindowsTest, ScriptedPressEndsDialogWithItsValue) {
    HWND seen = nullptr;
    standin::queue_dialog_handler(104, [&](HWND d) {
        seen = d;
        EXPECT_TRUE(standin::dialog_is_open(d));
        EXPECT_EQ(standin::active_dialog(), d);
        SetWindowTextA(d, "caption");
        EXPECT_TRUE(standin::press(d, IDNO));
        EXPECT_FALSE(standin::dialog_is_open(d));
    });
    EXPECT_EQ(show(104, nullptr, 1234), IDNO);
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].message, (UINT)WM_INITDIALOG);
    EXPECT_EQ(calls[0].lparam, 1234);
    ASSERT_EQ(standin::dialogs().size(), 1u);
    const standin::DialogRecord &r = standin::dialogs()[0];
    EXPECT_EQ(r.template_id, 104);
    EXPECT_EQ(r.window, seen);
    EXPECT_EQ(r.owner, nullptr);
    EXPECT_EQ(r.caption, "caption");
    EXPECT_EQ(r.result, IDNO);
    EXPECT_EQ(r.failure, "");
    EXPECT_EQ(standin::active_dialog(), nullptr);
    EXPECT_EQ(standin::dialog_template_id(seen), 104);
}

TEST_F(WindowsTest, DialogLeftOpenEndsWithMinusOneAndIsRecorded) {
    standin::queue_dialog_handler(104, [](HWND) {});
    EXPECT_EQ(show(104), -1);
    EXPECT_EQ(show(104), -1); // nothing queued any more, no default handler
    ASSERT_EQ(standin::dialogs().size(), 2u);
    EXPECT_EQ(standin::dialogs()[0].failure, "the script left the dialog open");
    EXPECT_EQ(standin::dialogs()[1].failure, "no script");
    EXPECT_EQ(standin::dialogs()[1].result, -1);
}

TEST_F(WindowsTest, HandlersAreTakenByTemplateThenDefault) {
    std::vector<int> order;
    standin::set_default_dialog_handler([&](HWND d, int id) {
        order.push_back(-id);
        standin::press(d, IDCANCEL);
    });
    standin::queue_dialog_handler(104, [&](HWND d) {
        order.push_back(104);
        standin::press(d, IDYES);
    });
    EXPECT_EQ(show(101), IDCANCEL); // no handler for 101 queued: the default answers
    EXPECT_EQ(show(104), IDYES);
    EXPECT_EQ(show(104), IDCANCEL);
    EXPECT_EQ(order, (std::vector<int>{-101, 104, -104}));
}

TEST_F(WindowsTest, MissingTemplateOrUnregisteredClassFailsWithoutScript) {
    bool ran = false;
    standin::set_default_dialog_handler([&](HWND, int) { ran = true; });
    EXPECT_EQ(show(999), -1);
    standin::reset(); // common controls no longer initialised
    standin::set_default_dialog_handler([&](HWND, int) { ran = true; });
    EXPECT_EQ(show(101), -1);
    EXPECT_FALSE(ran);
    ASSERT_EQ(standin::dialogs().size(), 1u);
    EXPECT_NE(standin::dialogs()[0].failure.find("InitCommonControls"), std::string::npos);
}

TEST_F(WindowsTest, NestedDialogsAndBoxesKnowTheirOwners) {
    HWND outer = nullptr, inner = nullptr;
    INT_PTR inner_result = 0;
    on_command = [&](HWND d, int id) {
        if (d == outer && id == 1004) { // the outer dialog's browse button opens another
            inner_result = show(104, d);
            return (INT_PTR)FALSE;
        }
        EndDialog(d, id);
        return (INT_PTR)TRUE;
    };
    standin::queue_dialog_handler(101, [&](HWND d) {
        outer = d;
        EXPECT_TRUE(standin::press(d, 1004));
        EXPECT_EQ(inner_result, 1004);
        EXPECT_TRUE(IsWindowEnabled(d)); // given back when the inner one ended
        EXPECT_EQ(standin::focused_control_id(d), 1004);
        EXPECT_TRUE(standin::press(d, IDOK));
    });
    standin::queue_dialog_handler(104, [&](HWND d) {
        inner = d;
        EXPECT_EQ(standin::active_dialog(), d);
        EXPECT_FALSE(IsWindowEnabled(outer));
        EXPECT_FALSE(standin::press(outer, IDCANCEL)); // the owner takes no input
        MessageBoxA(d, "text", "caption", MB_OK);
        EXPECT_TRUE(standin::press(d, 1004));
    });
    EXPECT_EQ(show(101), IDOK);
    ASSERT_EQ(standin::dialogs().size(), 2u);
    EXPECT_EQ(standin::dialogs()[0].template_id, 101);
    EXPECT_EQ(standin::dialogs()[1].template_id, 104);
    EXPECT_EQ(standin::dialogs()[1].owner, outer);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(standin::message_boxes()[0].owner, inner);
}

// Without keeping, a dialog that returns is gone at once: its handle and its controls'
// handles stop being windows, its record keeps the rest, and its owner is untouched.
TEST_F(WindowsTest, EndedDialogsAreFreedWhenNotKept) {
    standin::set_keep_ended_dialogs(false);
    HWND outer = nullptr, inner = nullptr, inner_button = nullptr;
    on_command = [&](HWND d, int id) {
        if (d == outer && id == 1004) {
            for (int i = 0; i < 3; ++i)
                show(104, d);
            return (INT_PTR)FALSE;
        }
        EndDialog(d, id);
        return (INT_PTR)TRUE;
    };
    standin::queue_dialog_handler(101, [&](HWND d) {
        outer = d;
        EXPECT_TRUE(standin::press(d, 1004));
        EXPECT_EQ(GetDlgItem(inner, IDNO), nullptr);
        EXPECT_FALSE(SetWindowTextA(inner, "gone"));
        EXPECT_FALSE(SetWindowTextA(inner_button, "gone"));
        EXPECT_FALSE(PostMessageA(inner, WM_USER, 0, 0));
        EXPECT_TRUE(IsWindowEnabled(d));
        EXPECT_EQ(standin::focused_control_id(d), 1004);
        EXPECT_TRUE(SetWindowTextA(d, "outer"));
        EXPECT_TRUE(standin::press(d, IDOK));
    });
    for (int i = 0; i < 3; ++i)
        standin::queue_dialog_handler(104, [&](HWND d) {
            inner = d;
            inner_button = GetDlgItem(d, IDNO);
            SetWindowTextA(d, "inner");
            EXPECT_TRUE(standin::press(d, IDNO));
        });
    EXPECT_EQ(show(101), IDOK);
    EXPECT_EQ(GetDlgItem(outer, IDOK), nullptr);
    ASSERT_EQ(standin::dialogs().size(), 4u);
    for (const standin::DialogRecord &record : standin::dialogs()) {
        EXPECT_EQ(record.window, nullptr);
        EXPECT_EQ(record.caption, record.template_id == 101 ? "outer" : "inner");
        EXPECT_EQ(record.result, record.template_id == 101 ? IDOK : IDNO);
    }

    standin::reset(); // keeps ended dialogs again
    InitCommonControls();
    standin::queue_dialog_handler(104, [](HWND d) { EndDialog(d, IDYES); });
    EXPECT_EQ(show(104), IDYES);
    EXPECT_NE(GetDlgItem(standin::dialogs()[0].window, IDNO), nullptr);
}

// ---- the user's actions ---------------------------------------------------------------

TEST_F(WindowsTest, DisabledHiddenOrMissingControlsIgnorePresses) {
    standin::queue_dialog_handler(104, [](HWND d) {
        EnableWindow(GetDlgItem(d, IDNO), FALSE);
        EXPECT_FALSE(standin::press(d, IDNO));
        EXPECT_FALSE(standin::control_enabled(d, IDNO));
        EXPECT_FALSE(standin::press(d, 4711));
        EXPECT_TRUE(standin::press(d, IDCANCEL));
        EXPECT_FALSE(standin::press(d, IDYES)); // the dialog has ended
    });
    EXPECT_EQ(show(104), IDCANCEL);
    EXPECT_EQ(calls_with(WM_COMMAND).size(), 1u);

    // The picker's read-only box is disabled and hidden; enabled, it is still hidden.
    standin::queue_dialog_handler(102, [](HWND d) {
        EXPECT_FALSE(standin::press(d, 1040));
        EnableWindow(GetDlgItem(d, 1040), TRUE);
        EXPECT_FALSE(standin::control_visible(d, 1040));
        EXPECT_FALSE(standin::press(d, 1040));
        EXPECT_TRUE(standin::press(d, 1038));
    });
    EXPECT_EQ(show(102), 1038);
}

TEST_F(WindowsTest, FocusGoesToFirstTabStopOnlyWhenInitialisationAsks) {
    standin::queue_dialog_handler(104, [](HWND d) {
        EXPECT_EQ(standin::focused_control_id(d), IDYES);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDYES);
        standin::press(d, IDNO);
    });
    show(104);
    // WM_INITDIALOG names the control that is to get the focus.
    EXPECT_EQ((HWND)calls[0].wparam, GetDlgItem(calls[0].window, IDYES));

    init_result = FALSE;
    standin::queue_dialog_handler(104, [](HWND d) {
        EXPECT_EQ(standin::focused_control_id(d), 0);
        standin::press(d, IDNO);
    });
    show(104);
}

TEST_F(WindowsTest, EnterPressesFocusedPushButtonElseDefaultButton) {
    standin::queue_dialog_handler(104, [](HWND d) { EXPECT_TRUE(standin::press_enter(d)); });
    EXPECT_EQ(show(104), IDYES);

    standin::queue_dialog_handler(104, [](HWND d) {
        EXPECT_TRUE(standin::focus_control(d, 1004));
        EXPECT_TRUE(standin::press_enter(d));
    });
    EXPECT_EQ(show(104), 1004);

    standin::queue_dialog_handler(104, [](HWND d) {
        EXPECT_TRUE(standin::focus_control(d, IDNO));
        EnableWindow(GetDlgItem(d, IDNO), FALSE); // the focus leaves with the enabled state
        EnableWindow(GetDlgItem(d, IDYES), FALSE);
        EXPECT_EQ(GetFocus(), nullptr);
        EXPECT_FALSE(standin::press_enter(d)); // the default button is disabled
        // BM_SETSTYLE moves the default elsewhere (only the type bits change).
        SendDlgItemMessageA(d, IDCANCEL, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        EXPECT_EQ(standin::control_style(d, IDCANCEL),
                  (DWORD)(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON));
        SendDlgItemMessageA(d, IDYES, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        EXPECT_TRUE(standin::press_enter(d));
    });
    EXPECT_EQ(show(104), IDCANCEL);
}

TEST_F(WindowsTest, CloseBoxBecomesCancelUnlessCancelIsDisabled) {
    on_command = [](HWND d, int id) {
        EndDialog(d, 100 + id);
        return (INT_PTR)TRUE;
    };
    standin::queue_dialog_handler(104, [](HWND d) { EXPECT_TRUE(standin::press_close_box(d)); });
    EXPECT_EQ(show(104), 100 + IDCANCEL);
    ASSERT_EQ(calls_with(WM_CLOSE).size(), 1u);

    calls.clear();
    standin::queue_dialog_handler(104, [](HWND d) {
        EnableWindow(GetDlgItem(d, IDCANCEL), FALSE);
        EXPECT_TRUE(standin::press_close_box(d));
        EXPECT_TRUE(standin::dialog_is_open(d));
        EXPECT_TRUE(standin::press_escape(d)); // Esc is not stopped by the disabled button
    });
    EXPECT_EQ(show(104), 100 + IDCANCEL);
    EXPECT_EQ(calls_with(WM_CLOSE).size(), 1u);
    EXPECT_EQ(calls_with(WM_COMMAND).size(), 1u);
}

TEST_F(WindowsTest, TypingHonoursTheEditLimitAndDoubleByteCharacters) {
    on_command = [](HWND, int) { return (INT_PTR)FALSE; };
    standin::queue_dialog_handler(101, [](HWND d) {
        EXPECT_TRUE(standin::type_text(d, 1001, "C:\\folder"));
        EXPECT_EQ(standin::control_text(d, 1001), "C:\\folder");
        SendDlgItemMessageA(d, 1001, EM_LIMITTEXT, 5, 0);
        EXPECT_EQ(standin::control_text_limit(d, 1001), 5);
        EXPECT_TRUE(standin::type_text(d, 1001, "abcdefgh"));
        EXPECT_EQ(standin::control_text(d, 1001), "abcde");
        // "ab" and two double-byte characters: the second one would pass the limit.
        EXPECT_TRUE(standin::type_text(d, 1001, "ab" + standin::to_cp932("日本")));
        EXPECT_EQ(standin::control_text(d, 1001), "ab" + standin::to_cp932("日"));
        EXPECT_EQ(standin::focused_control_id(d), 1001);
        // The program's own texts are not cut.
        SetDlgItemTextA(d, 1001, "0123456789");
        char buffer[8];
        EXPECT_EQ(GetDlgItemTextA(d, 1001, buffer, sizeof buffer), 7u);
        EXPECT_STREQ(buffer, "0123456");
        EXPECT_FALSE(standin::type_text(d, 1003, "static")); // not an edit control
        EnableWindow(GetDlgItem(d, 1001), FALSE);
        EXPECT_FALSE(standin::type_text(d, 1001, "x"));
        EndDialog(d, 0);
    });
    show(101);
    std::vector<Call> changes;
    for (const Call &c : calls_with(WM_COMMAND))
        if (HIWORD(c.wparam) == EN_CHANGE && LOWORD(c.wparam) == 1001)
            changes.push_back(c);
    EXPECT_EQ(changes.size(), 3u);
}

// ---- the message queue -------------------------------------------------------------------

TEST_F(WindowsTest, PostedCommandsReachProcedureThroughPeekAndIsDialogMessage) {
    on_command = [](HWND, int) { return (INT_PTR)FALSE; };
    standin::queue_dialog_handler(104, [](HWND d) {
        HWND other = GetDlgItem(d, IDYES);
        PostMessageA(d, WM_COMMAND, 1100, 42);
        PostMessageA(nullptr, WM_USER, 0, 0); // a thread message
        MSG msg;
        std::vector<UINT> handled, left;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (IsDialogMessageA(d, &msg)) {
                handled.push_back(msg.message);
            } else {
                left.push_back(msg.message);
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        EXPECT_EQ(handled, std::vector<UINT>{WM_COMMAND});
        EXPECT_EQ(left, std::vector<UINT>{WM_USER});
        msg = MSG{other, WM_NULL, 0, 0, 0, {0, 0}};
        EXPECT_TRUE(IsDialogMessageA(d, &msg));      // a control of the dialog
        EXPECT_FALSE(IsDialogMessageA(other, &msg)); // not a dialog
        EndDialog(d, 0);
    });
    show(104);
    auto commands = calls_with(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wparam, 1100u);
    EXPECT_EQ(commands[0].lparam, 42);
}

TEST_F(WindowsTest, MessagesPostedDuringAnActionAreDeliveredAfterIt) {
    on_command = [](HWND d, int id) {
        if (id == IDYES)
            PostMessageA(d, WM_COMMAND, IDABORT, 0); // handled once this press is over
        else
            EndDialog(d, id);
        return (INT_PTR)TRUE;
    };
    standin::queue_dialog_handler(104, [](HWND d) {
        EXPECT_TRUE(standin::press(d, IDYES));
        EXPECT_FALSE(standin::dialog_is_open(d));
    });
    EXPECT_EQ(show(104), IDABORT);
}

TEST_F(WindowsTest, PeekWithFilterLeavesOtherMessagesQueued) {
    standin::queue_dialog_handler(104, [](HWND d) {
        HWND yes = GetDlgItem(d, IDYES);
        PostMessageA(nullptr, WM_USER + 1, 0, 0);
        PostMessageA(yes, WM_USER + 2, 0, 0);
        MSG msg;
        EXPECT_TRUE(PeekMessageA(&msg, d, 0, 0, PM_NOREMOVE)); // the dialog and its controls
        EXPECT_EQ(msg.message, (UINT)WM_USER + 2);
        EXPECT_TRUE(PeekMessageA(&msg, (HWND)-1, 0, 0, PM_REMOVE)); // thread messages
        EXPECT_EQ(msg.message, (UINT)WM_USER + 1);
        EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_FALSE(PostMessageA((HWND)&msg, WM_USER, 0, 0)); // not a window
        EndDialog(d, 0);
    });
    show(104);
}

// A long job inside a command handler pumps its messages; the idle handler presses
// Cancel in the middle of it, as a user would.
TEST_F(WindowsTest, IdleHandlerActsWhileAHandlerPumpsMessages) {
    bool cancelled = false;
    int pumps = 0, idle_calls = 0;
    on_command = [&](HWND d, int id) {
        if (id == IDCANCEL)
            cancelled = true;
        if (id != IDOK)
            return (INT_PTR)TRUE;
        for (int block = 0; block < 10 && !cancelled; block++) {
            SendMessageA(d, WM_COMMAND, 1100, block * 10);
            SendDlgItemMessageA(d, 1000, PBM_SETPOS, (WPARAM)(block * 10), 0);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                if (!IsDialogMessageA(d, &msg))
                    DispatchMessageA(&msg);
            pumps++;
        }
        EndDialog(d, id);
        return (INT_PTR)TRUE;
    };
    HWND main_dialog = nullptr;
    standin::set_idle_handler([&] {
        idle_calls++;
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)); // not re-entered
        if (standin::progress_position(main_dialog, 1000) == 30)
            standin::press(main_dialog, IDCANCEL);
    });
    standin::queue_dialog_handler(101, [&](HWND d) {
        main_dialog = d;
        standin::press(d, IDOK);
    });
    EXPECT_EQ(show(101), IDOK);
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(pumps, 4);
    EXPECT_EQ(idle_calls, 4);
    EXPECT_EQ(standin::progress_position(main_dialog, 1000), 30);
}

// ---- controls, icons, geometry and window data -----------------------------------------

TEST_F(WindowsTest, ControlMessagesKeepTheirState) {
    HWND main_dialog = nullptr;
    standin::queue_dialog_handler(101, [&](HWND d) {
        main_dialog = d;
        EXPECT_EQ(SendDlgItemMessageA(d, 1000, PBM_SETPOS, 50, 0), 0);
        EXPECT_EQ(SendDlgItemMessageA(d, 1000, PBM_SETPOS, 150, 0), 50); // kept in 0..100
        EXPECT_EQ(standin::progress_position(d, 1000), 100);
        EXPECT_EQ(SendDlgItemMessageA(d, 1000, PBM_GETPOS, 0, 0), 100);
        EXPECT_EQ(standin::control_text(d, 1000), "Progress1");

        HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCE(103));
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(SendMessageA(d, WM_SETICON, ICON_BIG, (LPARAM)icon), 0);
        EXPECT_EQ(standin::window_icon(d, true), icon);
        EXPECT_EQ(standin::window_icon(d, false), nullptr);

        char text[64];
        SetWindowTextA(d, "title");
        EXPECT_EQ(GetWindowTextLengthA(d), 5);
        EXPECT_EQ(SendMessageA(d, WM_GETTEXT, 3, (LPARAM)text), 2);
        EXPECT_STREQ(text, "ti");
        EXPECT_EQ(GetWindowTextA(d, text, sizeof text), 5);
        EndDialog(d, 0);
    });
    show(101);
    EXPECT_EQ(standin::window_text(main_dialog), "title");

    standin::queue_dialog_handler(104, [](HWND d) {
        HICON question = LoadIconA(nullptr, IDI_QUESTION);
        ASSERT_NE(question, nullptr);
        SendDlgItemMessageA(d, 1002, STM_SETICON, (WPARAM)question, 0);
        EXPECT_EQ(standin::control_icon(d, 1002), question);
        EndDialog(d, 0);
    });
    show(104);
}

TEST_F(WindowsTest, IconsHaveOneHandleEachAndMissingOnesNone) {
    HINSTANCE program = GetModuleHandleA(nullptr);
    HICON question = LoadIconA(nullptr, IDI_QUESTION);
    HICON own = LoadIconA(program, MAKEINTRESOURCE(103));
    EXPECT_NE(question, nullptr);
    EXPECT_NE(own, nullptr);
    EXPECT_NE(question, own);
    EXPECT_EQ(LoadIconA(nullptr, IDI_QUESTION), question);
    EXPECT_NE(LoadIconA(nullptr, IDI_HAND), question);
    EXPECT_EQ(LoadIconA(program, MAKEINTRESOURCE(104)), nullptr); // a dialog, not an icon
    EXPECT_EQ(LoadIconA(program, IDI_QUESTION), nullptr);
}

// Pixels of dialog units: 6 / 4 across and 13 / 8 down, halves rounded away from zero.
int pixels(int units, double per_unit) {
    return (int)std::lround(units * per_unit);
}

TEST_F(WindowsTest, GeometryFollowsDialogUnitsAndMoves) {
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
    standin::set_screen_size(640, 480);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);

    standin::queue_dialog_handler(101, [](HWND d) {
        RECT r;
        ASSERT_TRUE(GetWindowRect(d, &r));
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.top, 0);
        EXPECT_EQ(r.right, pixels(231, 1.5));
        EXPECT_EQ(r.bottom, pixels(85, 1.625));
        EXPECT_TRUE(SetWindowPos(d, nullptr, 100, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
        ASSERT_TRUE(GetWindowRect(d, &r));
        EXPECT_EQ(r.left, 100);
        EXPECT_EQ(r.right - r.left, pixels(231, 1.5));
        // A control sits inside its dialog.
        ASSERT_TRUE(GetWindowRect(GetDlgItem(d, IDOK), &r));
        EXPECT_EQ(r.left, 100 + pixels(174, 1.5));
        EXPECT_EQ(r.top, 50 + pixels(7, 1.625));
        // The picker's template position counts from its owner's corner.
        standin::queue_dialog_handler(102, [](HWND picker) {
            POINT p = standin::window_position(picker);
            EXPECT_EQ(p.x, 100 + pixels(24, 1.5));
            EXPECT_EQ(p.y, 50 + pixels(24, 1.625));
            ASSERT_TRUE(standin::window_position(GetDlgItem(picker, 1152)).x < p.x);
            EndDialog(picker, 0);
        });
        show(102, d);
        MoveWindow(d, 1, 2, 3, 4, FALSE);
        ASSERT_TRUE(GetWindowRect(d, &r));
        EXPECT_EQ((std::vector<LONG>{r.left, r.top, r.right, r.bottom}),
                  (std::vector<LONG>{1, 2, 4, 6}));
        EndDialog(d, 0);
    });
    show(101);
}

TEST_F(WindowsTest, DialogUserDataHoldsAPointer) {
    standin::queue_dialog_handler(104, [](HWND d) {
        static char buffer[4];
        LONG_PTR pointer = (LONG_PTR)buffer;
        EXPECT_EQ(SetWindowLongPtrA(d, DWLP_USER, pointer), 0);
        EXPECT_EQ(GetWindowLongPtrA(d, DWLP_USER), pointer);
        EXPECT_EQ(GetWindowLongA(d, DWL_USER), (LONG)pointer); // the 32-bit view
        SetLastError(0);
        EXPECT_EQ(GetWindowLongPtrA(GetDlgItem(d, IDYES), DWLP_USER), 0); // not a dialog
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_INDEX);
        EXPECT_EQ(GetWindowLongA(d, GWL_STYLE) & WS_CAPTION, (LONG)WS_CAPTION);
        EXPECT_EQ(GetWindowLongA(GetDlgItem(d, IDNO), GWL_ID), IDNO);
        EndDialog(d, 0);
    });
    show(104);
}

TEST_F(WindowsTest, ResetForgetsEverything) {
    standin::queue_dialog_handler(104, [](HWND d) { EndDialog(d, 0); });
    show(104);
    standin::queue_dialog_handler(104, [](HWND) {});
    standin::set_screen_size(1, 1);
    PostMessageA(nullptr, WM_USER, 0, 0);
    standin::reset();
    EXPECT_TRUE(standin::dialogs().empty());
    EXPECT_FALSE(standin::common_controls_initialised());
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(show(104), -1); // the queued handler is gone
    EXPECT_EQ(standin::dialogs()[0].failure, "no script");
}

} // namespace

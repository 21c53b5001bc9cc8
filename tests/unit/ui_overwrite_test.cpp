// The overwrite question: what it shows, each answer with its keys, its owner, and the
// centring that every dialog of the program shares.
#include "fixture.h"
#include "resource.h"
#include "ui/dialogs.h"

#include <commctrl.h>
#include <functional>

namespace {

class OverwriteDialogTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        InitCommonControls();
        strcpy(state.config.title, "Setup");
        strcpy(state.output_path, "C:\\out/docs/read me.txt");
    }
    int ask_with(std::function<void(HWND)> user) {
        standin::queue_dialog_handler(IDD_OVERWRITE, std::move(user));
        return ask_overwrite();
    }
};

TEST_F(OverwriteDialogTest, ShowsTitlePathAndQuestionIcon) {
    standin::set_screen_size(1024, 768);
    int answer = ask_with([](HWND dialog) {
        EXPECT_EQ(standin::window_text(dialog), "Setup");
        EXPECT_EQ(standin::control_text(dialog, IDC_OVERWRITE_PATH), "C:\\out/docs/read me.txt");
        EXPECT_EQ(standin::control_icon(dialog, IDC_OVERWRITE_ICON),
                  LoadIconA(nullptr, IDI_QUESTION));
        EXPECT_NE(standin::control_icon(dialog, IDC_OVERWRITE_ICON), nullptr);
        EXPECT_EQ(standin::focused_control_id(dialog), IDYES) << "first tab stop";
        RECT frame;
        GetWindowRect(dialog, &frame);
        ASSERT_EQ(frame.right - frame.left, 381) << "254 dialog units";
        ASSERT_EQ(frame.bottom - frame.top, 112) << "69 dialog units";
        EXPECT_EQ(standin::window_position(dialog).x, 321) << "643 / 2";
        EXPECT_EQ(standin::window_position(dialog).y, 328);
        standin::press(dialog, IDNO);
    });
    EXPECT_EQ(answer, IDNO);
    ASSERT_EQ(standin::dialogs().size(), 1u);
    EXPECT_EQ(standin::dialogs()[0].template_id, IDD_OVERWRITE);
}

TEST_F(OverwriteDialogTest, EachButtonAnswersWithItsOwnId) {
    for (int button : {IDYES, IDNO, IDC_OVERWRITE_ALL, IDCANCEL}) {
        EXPECT_EQ(ask_with([button](HWND dialog) { EXPECT_TRUE(standin::press(dialog, button)); }),
                  button);
    }
    for (const auto &record : standin::dialogs())
        EXPECT_EQ(record.failure, "");
}

TEST_F(OverwriteDialogTest, KeysAnswerLikeTheirButtons) {
    EXPECT_EQ(ask_with([](HWND dialog) { standin::press_enter(dialog); }), IDYES);
    EXPECT_EQ(ask_with([](HWND dialog) { standin::press_escape(dialog); }), IDCANCEL);
    EXPECT_EQ(ask_with([](HWND dialog) { standin::press_close_box(dialog); }), IDCANCEL);
}

TEST_F(OverwriteDialogTest, OtherCommandsLeaveTheQuestionOpen) {
    int answer = ask_with([](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        SendMessageA(dialog, WM_COMMAND, IDABORT, 0);
        SendMessageA(dialog, WM_COMMAND, IDC_OVERWRITE_PATH, 0);
        EXPECT_TRUE(standin::dialog_is_open(dialog));
        standin::press(dialog, IDC_OVERWRITE_ALL);
    });
    EXPECT_EQ(answer, IDC_OVERWRITE_ALL);
}

TEST_F(OverwriteDialogTest, IsOwnedByTheRunsWindow) {
    HWND owner = nullptr;
    int answer = 0;
    standin::queue_dialog_handler(IDD_MAIN, [&](HWND main) {
        owner = main;
        state.owner_window = main;
        answer = ask_with([](HWND dialog) { standin::press(dialog, IDYES); });
        standin::press(main, IDCANCEL);
    });
    show_main_dialog();
    EXPECT_EQ(answer, IDYES);
    ASSERT_EQ(standin::dialogs().size(), 2u);
    const auto &question = standin::dialogs()[0].template_id == IDD_OVERWRITE
                               ? standin::dialogs()[0]
                               : standin::dialogs()[1];
    EXPECT_EQ(question.owner, owner);
}

// Window of 381 x 112 pixels; the division truncates toward zero, also when the window is
// wider or taller than the screen.
TEST_F(OverwriteDialogTest, CentringTruncatesTowardZero) {
    struct Case {
        int screen_width, screen_height, x, y;
    } cases[] = {
        {1024, 768, 321, 328},                      // 643 / 2, 656 / 2
        {1025, 769, 322, 328},                      // 644 / 2, 657 / 2
        {381, 112, 0, 0},      {300, 100, -40, -6}, // -81 / 2, -12 / 2
        {301, 101, -40, -5},                        // -80 / 2, -11 / 2
    };
    for (const Case &c : cases) {
        standin::set_screen_size(c.screen_width, c.screen_height);
        ask_with([&c](HWND dialog) {
            RECT before;
            GetWindowRect(dialog, &before);
            MoveWindow(dialog, 5, 7, before.right - before.left, before.bottom - before.top, FALSE);
            center_window(dialog);
            RECT after;
            GetWindowRect(dialog, &after);
            EXPECT_EQ(after.left, c.x) << c.screen_width;
            EXPECT_EQ(after.top, c.y) << c.screen_height;
            EXPECT_EQ(after.right - after.left, before.right - before.left) << "size kept";
            EXPECT_EQ(after.bottom - after.top, before.bottom - before.top) << "size kept";
            standin::press(dialog, IDCANCEL);
        });
    }
}

} // namespace

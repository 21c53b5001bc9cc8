// The main dialog: what it shows, which folders OK accepts, the busy state while the
// extraction runs inside it, Cancel in both states, and Browse.
#include "fixture.h"
#include "lzh_builder.h"
#include "resource.h"
#include "ui/dialogs.h"

#include <commctrl.h>
#include <filesystem>
#include <functional>

namespace {

constexpr DWORD WINDOWS_95 = 0xC3B60004;
constexpr DWORD NT_351 = 0x04213303;

class MainDialogTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        InitCommonControls();
        standin::set_version(WINDOWS_95);
        strcpy(state.config.title, "Setup");
        strcpy(state.config.folder, "C:\\out");
        strcpy(state.config.message, "Ready");
        state.config.archive_offset = 2048;
        write_archive({});
    }
    void write_archive(const std::vector<TestMember> &members) {
        uint32_t total = 0;
        for (const TestMember &member : members)
            total += (uint32_t)member.data.size();
        state.config.total_size_low = total;
        write_self_extractor(state.config, archive_bytes(members));
    }
    INT_PTR run_dialog(std::function<void(HWND)> user) {
        standin::queue_dialog_handler(IDD_MAIN, std::move(user));
        return show_main_dialog();
    }
    // The destination that OK takes from `typed`, or "refused".
    std::string destination_for(const std::string &typed) {
        standin::message_boxes().clear();
        std::string refused;
        INT_PTR result = run_dialog([&](HWND dialog) {
            EXPECT_TRUE(standin::type_text(dialog, IDC_FOLDER, typed));
            standin::press(dialog, IDOK);
            if (standin::dialog_is_open(dialog)) {
                refused = "refused";
                standin::press(dialog, IDCANCEL);
            }
        });
        EXPECT_EQ(result, refused.empty() ? 1 : 0) << typed;
        return refused.empty() ? std::string(state.destination_folder) : refused;
    }
};

TEST_F(MainDialogTest, InitialisationShowsTheConfiguration) {
    strcpy(state.config.label, "Files go to:");
    strcpy(state.config.folder, "\"C:\\My Files\"");
    state.dialog_busy = 1;
    state.cancel_requested = 1;
    standin::set_screen_size(1024, 768);
    INT_PTR result = run_dialog([](HWND dialog) {
        EXPECT_EQ(standin::window_text(dialog), "Setup");
        EXPECT_EQ(standin::control_text(dialog, IDC_LABEL), "Files go to:");
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), "\"C:\\My Files\"");
        EXPECT_EQ(standin::control_text(dialog, IDC_MESSAGE), "Ready");
        EXPECT_EQ(standin::control_text_limit(dialog, IDC_FOLDER), 255);
        EXPECT_EQ(standin::window_icon(dialog, true),
                  LoadIconA(state.instance, MAKEINTRESOURCE(IDI_MAIN)));
        EXPECT_NE(standin::window_icon(dialog, true), nullptr);
        EXPECT_EQ(standin::focused_control_id(dialog), IDC_FOLDER);
        EXPECT_EQ(state.dialog_busy, 0);
        EXPECT_EQ(state.cancel_requested, 0);
        RECT frame;
        GetWindowRect(dialog, &frame);
        ASSERT_EQ(frame.right - frame.left, 347) << "231 dialog units";
        ASSERT_EQ(frame.bottom - frame.top, 138) << "85 dialog units";
        EXPECT_EQ(standin::window_position(dialog).x, 338) << "677 / 2";
        EXPECT_EQ(standin::window_position(dialog).y, 315);
        standin::press(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(standin::dialogs().size(), 1u);
    EXPECT_EQ(standin::dialogs()[0].owner, nullptr);
}

TEST_F(MainDialogTest, EmptyLabelKeepsTheTemplateText) {
    run_dialog([](HWND dialog) {
        EXPECT_EQ(standin::to_utf8(standin::control_text(dialog, IDC_LABEL)),
                  "解凍先ﾌｫﾙﾀﾞ/ﾃﾞｨﾚｸﾄﾘ(&F):");
        standin::press(dialog, IDCANCEL);
    });
}

TEST_F(MainDialogTest, AcceptsFullPathsWithoutTheirQuotes) {
    const std::pair<std::string, std::string> cases[] = {
        {"  \"D:\\My Files\"  ", "D:\\My Files"},
        {"\t \"C:\\a b\"", "C:\\a b"},
        {"\"C:\\x\"tail", "C:\\x"},
        {"\"C:\\no closing quote", "C:\\no closing quote"},
        {"C:\\out  ", "C:\\out  "},
        {"C:\\", "C:\\"},
        {"1:\\x", "1:\\x"},
        {"\\\\", "\\\\"},
        {"\\\\server\\share", "\\\\server\\share"},
        {cp932("C:\\解凍先"), cp932("C:\\解凍先")},
    };
    for (const auto &[typed, expected] : cases) {
        EXPECT_EQ(destination_for(typed), expected) << typed;
        EXPECT_TRUE(standin::message_boxes().empty()) << typed;
    }
}

TEST_F(MainDialogTest, RefusesEverythingElseWithTheFullPathBox) {
    const std::string texts[] = {"D:",   "D:folder", "\\folder", "folder",    "",
                                 "\"\"", "   ",      ":\\x",     "\" C:\\x\""};
    INT_PTR result = run_dialog([&](HWND dialog) {
        for (const std::string &typed : texts) {
            standin::message_boxes().clear();
            standin::type_text(dialog, IDC_FOLDER, typed);
            standin::press(dialog, IDOK);
            EXPECT_TRUE(standin::dialog_is_open(dialog)) << typed;
            ASSERT_EQ(standin::message_boxes().size(), 1u) << typed;
            const auto &box = standin::message_boxes()[0];
            EXPECT_EQ(box_text(0), "ﾌﾙﾊﾟｽ名で指定してください");
            EXPECT_EQ(box_caption(0), "Kolvane 95  Ver 1.1") << "not the configured title";
            EXPECT_EQ(box.owner, dialog);
            EXPECT_EQ(box.style, (UINT)MB_ICONERROR);
            EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), typed) << "kept as typed";
            EXPECT_TRUE(standin::control_enabled(dialog, IDOK));
            EXPECT_EQ(state.dialog_busy, 0);
        }
        standin::press(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
}

// A text that unquotes to nothing must not pass on what an earlier folder left behind.
TEST_F(MainDialogTest, EmptyResultIgnoresLeftoverBytes) {
    strcpy(state.destination_folder, "C:\\old");
    EXPECT_EQ(destination_for("\"\""), "refused");
    strcpy(state.destination_folder, "\\\\old");
    EXPECT_EQ(destination_for(""), "refused");
    EXPECT_EQ(destination_for(" "), "refused");
}

TEST_F(MainDialogTest, CancelWhileIdleEndsWithZero) {
    EXPECT_EQ(run_dialog([](HWND dialog) { standin::press(dialog, IDCANCEL); }), 0);
    EXPECT_EQ(run_dialog([](HWND dialog) { standin::press_escape(dialog); }), 0);
    EXPECT_EQ(run_dialog([](HWND dialog) { standin::press_close_box(dialog); }), 0);
    EXPECT_EQ(state.cancel_requested, 0);
    EXPECT_FALSE(host_exists(scratch + "/out"));
}

TEST_F(MainDialogTest, ExtractionRunsInsideOkAndEndsWithOne) {
    write_archive({stored_file("a.txt", "hello")});
    INT_PTR result = run_dialog([](HWND dialog) { standin::press_enter(dialog); });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(state.destination_folder, "C:\\out");
    EXPECT_EQ(read_host_file(scratch + "/out/a.txt"),
              (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
    HWND dialog = standin::dialogs().at(0).window;
    EXPECT_EQ(standin::progress_position(dialog, IDC_PROGRESS), 100);
    EXPECT_EQ(standin::to_utf8(standin::control_text(dialog, IDC_MESSAGE)), "解凍中: a.txt");
}

TEST_F(MainDialogTest, FailedExtractionStillEndsWithOne) {
    TestMember bad = stored_file("a.txt", "hello");
    bad.data_crc = bitwise_crc16(bad.data) ^ 1;
    write_archive({bad});
    EXPECT_EQ(run_dialog([](HWND dialog) { standin::press(dialog, IDOK); }), 1);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(standin::message_boxes()[0].owner, standin::dialogs().at(0).window);
}

// 300,000 bytes leave the stored copy in five blocks of up to 64 KiB; Cancel is pressed
// while the first block's progress report drains the queue.
TEST_F(MainDialogTest, BusyDialogTakesOnlyCancel) {
    write_archive({stored_file("big.bin", std::string(300000, 'x'))});
    int idle_calls = 0;
    standin::set_idle_handler([&] {
        HWND dialog = standin::active_dialog();
        if (!dialog || idle_calls++)
            return;
        EXPECT_EQ(state.dialog_busy, 1);
        EXPECT_FALSE(standin::control_enabled(dialog, IDOK));
        EXPECT_FALSE(standin::control_enabled(dialog, IDC_BROWSE));
        EXPECT_FALSE(standin::control_enabled(dialog, IDC_FOLDER));
        EXPECT_TRUE(standin::control_enabled(dialog, IDCANCEL));
        EXPECT_EQ(standin::focused_control_id(dialog), IDCANCEL);
        EXPECT_EQ(standin::control_style(dialog, IDCANCEL) & BS_TYPEMASK, (DWORD)BS_DEFPUSHBUTTON);
        EXPECT_FALSE(standin::press(dialog, IDOK)) << "disabled";
        EXPECT_FALSE(standin::press(dialog, IDC_BROWSE)) << "disabled";
        EXPECT_TRUE(standin::press(dialog, IDCANCEL));
        EXPECT_TRUE(standin::dialog_is_open(dialog)) << "Cancel only asks the run to stop";
        EXPECT_EQ(state.cancel_requested, 1);
    });
    INT_PTR result = run_dialog([](HWND dialog) { standin::press(dialog, IDOK); });
    EXPECT_EQ(idle_calls, 1) << "the run stops at the report after the Cancel";
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(host_exists(scratch + "/out/big.bin"));
    EXPECT_TRUE(standin::message_boxes().empty());
    EXPECT_TRUE(standin::folder_browsers().empty());
    HWND dialog = standin::dialogs().at(0).window;
    EXPECT_EQ(standin::progress_position(dialog, IDC_PROGRESS), 21) << "65536 * 100 / 300000";
}

TEST_F(MainDialogTest, ProgressCommandSetsTheBar) {
    run_dialog([](HWND dialog) {
        SendMessageA(dialog, WM_COMMAND, IDC_PROGRESS_COMMAND, 42);
        EXPECT_EQ(standin::progress_position(dialog, IDC_PROGRESS), 42);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_COMMAND, 1), 7);
        EXPECT_EQ(standin::progress_position(dialog, IDC_PROGRESS), 7) << "only the low word";
        EXPECT_TRUE(standin::dialog_is_open(dialog));
        standin::press(dialog, IDCANCEL);
    });
}

TEST_F(MainDialogTest, BrowsedFolderWithASpaceIsQuotedThenUnquoted) {
    standin::queue_folder_browser_answer("C:\\My Folder");
    INT_PTR result = run_dialog([](HWND dialog) {
        EXPECT_TRUE(standin::press(dialog, IDC_BROWSE));
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), "\"C:\\My Folder\"");
        EXPECT_TRUE(standin::dialog_is_open(dialog));
        standin::press(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(state.destination_folder, "C:\\My Folder");
    ASSERT_EQ(standin::folder_browsers().size(), 1u);
    EXPECT_EQ(standin::folder_browsers()[0].request.hwndOwner, standin::dialogs().at(0).window);
}

TEST_F(MainDialogTest, BrowsedFolderWithoutASpaceStaysBare) {
    standin::queue_folder_browser_answer(cp932("C:\\解凍"));
    run_dialog([](HWND dialog) {
        standin::press(dialog, IDC_BROWSE);
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), cp932("C:\\解凍"));
        standin::press(dialog, IDCANCEL);
    });
}

TEST_F(MainDialogTest, UnsuccessfulBrowseLeavesTheEditAlone) {
    standin::queue_folder_browser_answer("C:\\first");
    standin::queue_folder_browser_cancel();
    standin::queue_folder_browser_non_file_item();
    run_dialog([](HWND dialog) {
        standin::press(dialog, IDC_BROWSE);
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), "C:\\first");
        standin::type_text(dialog, IDC_FOLDER, "C:\\typed");
        standin::press(dialog, IDC_BROWSE);
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), "C:\\typed") << "cancelled";
        standin::press(dialog, IDC_BROWSE);
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), "C:\\typed") << "no file path";
        standin::press(dialog, IDCANCEL);
    });
    EXPECT_EQ(standin::folder_browsers().size(), 3u);
}

// The edit control holds 255 bytes: a folder that fits only without its quotes goes in
// bare, one that does not fit at all is not taken.
TEST_F(MainDialogTest, BrowsedFolderMustFitTheEditControl) {
    const std::string spaced_253 = "C:\\a b" + std::string(247, 'x');
    const std::string spaced_254 = spaced_253 + "y";
    const std::string bare_255 = "C:\\" + std::string(252, 'z');
    const std::string bare_256 = "C:\\" + std::string(253, 'w');
    for (const std::string &path : {spaced_253, spaced_254, bare_255, bare_256})
        standin::queue_folder_browser_answer(path);
    run_dialog([&](HWND dialog) {
        standin::press(dialog, IDC_BROWSE);
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), "\"" + spaced_253 + "\"");
        standin::press(dialog, IDC_BROWSE);
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), spaced_254);
        standin::press(dialog, IDC_BROWSE);
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), bare_255);
        standin::press(dialog, IDC_BROWSE);
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), bare_255) << "256 bytes: dropped";
        standin::press(dialog, IDCANCEL);
    });
}

TEST_F(MainDialogTest, BrowseOnNt351UsesTheDirectoryPicker) {
    standin::set_version(NT_351);
    std::filesystem::create_directories(host("C:\\Program Files"));
    standin::queue_dialog_handler(IDD_DIRECTORY_PICKER, [](HWND picker) {
        standin::picker_open_directory(picker, "C:\\Program Files");
        standin::press(picker, IDOK);
    });
    run_dialog([](HWND dialog) {
        standin::press(dialog, IDC_BROWSE);
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), "\"C:\\Program Files\"");
        standin::press(dialog, IDCANCEL);
    });
    EXPECT_TRUE(standin::folder_browsers().empty());
    ASSERT_EQ(standin::open_file_dialogs().size(), 1u);
    EXPECT_EQ(standin::open_file_dialogs()[0].request.hwndOwner, standin::dialogs().at(0).window);
}

// The picker reports success even when the directory it shows does not fit its 260-byte
// result: nothing is put into the edit control then.
TEST_F(MainDialogTest, PickerWithAnOverlongDirectoryLeavesTheEditAlone) {
    standin::set_version(NT_351);
    standin::set_current_directory("C:\\" + std::string(257, 'd'));
    standin::queue_dialog_handler(IDD_DIRECTORY_PICKER,
                                  [](HWND picker) { standin::press(picker, IDOK); });
    run_dialog([](HWND dialog) {
        standin::press(dialog, IDC_BROWSE);
        EXPECT_EQ(standin::control_text(dialog, IDC_FOLDER), "C:\\out");
        standin::press(dialog, IDCANCEL);
    });
    ASSERT_EQ(standin::open_file_dialogs().size(), 1u);
    EXPECT_TRUE(standin::open_file_dialogs()[0].result);
}

TEST(Unquote, StripsLeadingBlanksAndOnePairOfQuotes) {
    const std::pair<const char *, const char *> cases[] = {
        {"", ""},
        {"C:\\a", "C:\\a"},
        {" \t C:\\a b ", "C:\\a b "},
        {"\"C:\\a b\"", "C:\\a b"},
        {"  \"C:\\a\" rest", "C:\\a"},
        {"\"C:\\a", "C:\\a"},
        {"\"\"", ""},
        {"\"\"C:\\a\"\"", ""},
        {"C:\\\"a\"", "C:\\\"a\""},
    };
    for (auto [source, expected] : cases) {
        char destination[DESTINATION_SIZE];
        memset(destination, 'q', sizeof destination);
        unquote(destination, source);
        EXPECT_STREQ(destination, expected) << source;
    }
}

} // namespace

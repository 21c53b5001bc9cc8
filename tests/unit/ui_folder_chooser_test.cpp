// The folder chooser: which form each Windows version gets, the shell browser's request
// and allocator bookkeeping, and the directory picker with its hook.
#include "fixture.h"
#include "resource.h"
#include "ui/dialogs.h"

#include <filesystem>

namespace {

constexpr DWORD WINDOWS_95 = 0xC3B60004;
constexpr DWORD NT_351 = 0x04213303;
constexpr DWORD NT_4 = 0x05650004;
constexpr DWORD WINDOWS_10 = 0x4A61000A;

class FolderChooserTest : public ProgramTest {
  protected:
    char result[OUTPUT_PATH_SIZE];
    HWND owner = reinterpret_cast<HWND>(0x1234);

    void SetUp() override {
        ProgramTest::SetUp();
        strcpy(result, "unchanged");
    }
    void expect_allocator_balanced() {
        standin::ShellAllocatorCounts counts = standin::shell_allocator_counts();
        EXPECT_EQ(counts.live_blocks, 0) << "every block freed";
        EXPECT_EQ(counts.references, 0) << "the allocator released";
    }
};

TEST_F(FolderChooserTest, VersionFourAndLaterGetTheShellBrowser) {
    for (DWORD version : {WINDOWS_95, NT_4, WINDOWS_10}) {
        standin::set_version(version);
        standin::queue_folder_browser_answer("C:\\Picked");
        strcpy(result, "unchanged");
        EXPECT_NE(choose_folder(owner, result), 0) << std::hex << version;
        EXPECT_STREQ(result, "C:\\Picked");
    }
    ASSERT_EQ(standin::folder_browsers().size(), 3u);
    EXPECT_TRUE(standin::open_file_dialogs().empty());
    for (const auto &browser : standin::folder_browsers()) {
        EXPECT_EQ(standin::to_utf8(browser.title), "ﾌｫﾙﾀﾞを選択してください");
        EXPECT_EQ(browser.request.hwndOwner, owner);
        EXPECT_EQ(browser.request.pidlRoot, nullptr) << "starts at the desktop";
        EXPECT_EQ(browser.request.ulFlags, (UINT)BIF_RETURNONLYFSDIRS);
        EXPECT_EQ(browser.request.lpfn, nullptr);
        EXPECT_EQ(browser.request.lParam, 0);
        EXPECT_NE(browser.request.pszDisplayName, nullptr);
        EXPECT_NE(browser.request.pszDisplayName, result) << "a block of the shell's allocator";
    }
    expect_allocator_balanced();
    EXPECT_EQ(standin::shell_allocator_counts().allocations, 6) << "a name block and a list each";
    EXPECT_EQ(standin::shell_allocator_counts().frees, 6);
}

TEST_F(FolderChooserTest, BrowserFailuresReportNothingChosen) {
    standin::set_version(WINDOWS_95);
    standin::queue_folder_browser_cancel();
    EXPECT_EQ(choose_folder(owner, result), 0);
    EXPECT_STREQ(result, "unchanged");
    expect_allocator_balanced();

    standin::queue_folder_browser_non_file_item();
    EXPECT_EQ(choose_folder(owner, result), 0);
    EXPECT_STREQ(result, "unchanged");
    expect_allocator_balanced();
    EXPECT_EQ(standin::folder_browsers().size(), 2u);
}

TEST_F(FolderChooserTest, NoAllocatorOrNoMemoryShowsNoBrowser) {
    standin::set_version(WINDOWS_95);
    standin::queue_folder_browser_answer("C:\\Never");
    standin::set_shell_allocator_available(false);
    EXPECT_EQ(choose_folder(owner, result), 0);
    standin::set_shell_allocator_available(true);
    standin::fail_next_shell_allocation();
    EXPECT_EQ(choose_folder(owner, result), 0);
    EXPECT_STREQ(result, "unchanged");
    EXPECT_TRUE(standin::folder_browsers().empty());
    expect_allocator_balanced();
}

TEST_F(FolderChooserTest, ShellWithoutTheBrowserReportsNothingChosen) {
    standin::set_version(WINDOWS_95);
    standin::set_shell_browser_available(false);
    EXPECT_EQ(choose_folder(owner, result), 0);
    EXPECT_STREQ(result, "unchanged");
    EXPECT_TRUE(standin::folder_browsers().empty());
}

TEST_F(FolderChooserTest, Nt351GetsTheDirectoryPicker) {
    standin::set_version(NT_351);
    standin::set_shell_browser_available(false);
    strcpy(state.text_buffer, "left over");
    standin::queue_dialog_handler(IDD_DIRECTORY_PICKER, [this](HWND picker) {
        EXPECT_STREQ(result, "") << "emptied before the picker opens";
        standin::press(picker, IDCANCEL);
    });
    EXPECT_EQ(choose_folder(owner, result), 0);
    EXPECT_STREQ(result, "");
    ASSERT_EQ(standin::open_file_dialogs().size(), 1u);
    const auto &picker = standin::open_file_dialogs()[0];
    const OPENFILENAMEA &request = picker.request;
    EXPECT_EQ(standin::to_utf8(picker.title), "ﾃﾞｨﾚｸﾄﾘの参照");
    EXPECT_EQ(picker.file_at_call, "");
    EXPECT_EQ(request.lStructSize, 76u);
    EXPECT_EQ(request.hwndOwner, owner);
    EXPECT_EQ(request.hInstance, state.instance);
    EXPECT_EQ(request.lpstrFile, state.text_buffer);
    EXPECT_EQ(request.nMaxFile, 260u);
    EXPECT_EQ(request.Flags, 0x86Cu);
    EXPECT_EQ(request.lCustData, (LPARAM)result);
    EXPECT_EQ(request.lpTemplateName, MAKEINTRESOURCE(IDD_DIRECTORY_PICKER));
    EXPECT_NE(request.lpfnHook, nullptr);
    EXPECT_EQ(request.lpstrFilter, nullptr);
    EXPECT_EQ(request.lpstrCustomFilter, nullptr);
    EXPECT_EQ(request.lpstrFileTitle, nullptr);
    EXPECT_EQ(request.lpstrInitialDir, nullptr);
    EXPECT_EQ(request.lpstrDefExt, nullptr);
    EXPECT_TRUE(standin::folder_browsers().empty());
}

// OK with the focus on the directory or drive list only opens the entry; anywhere else it
// takes the directory shown and ends the picker with success.
TEST_F(FolderChooserTest, PickerOkTakesTheShownDirectoryUnlessAListHasTheFocus) {
    standin::set_version(NT_351);
    std::filesystem::create_directories(host("C:\\work\\sub"));
    standin::set_current_directory("C:\\start");
    std::filesystem::create_directories(host("C:\\start"));
    standin::queue_dialog_handler(IDD_DIRECTORY_PICKER, [](HWND picker) {
        EXPECT_TRUE(standin::picker_open_directory(picker, "C:\\work"));
        EXPECT_TRUE(standin::focus_control(picker, 1121));
        standin::press_enter(picker);
        EXPECT_TRUE(standin::dialog_is_open(picker)) << "directory list";
        EXPECT_TRUE(standin::focus_control(picker, 1137));
        standin::press_enter(picker);
        EXPECT_TRUE(standin::dialog_is_open(picker)) << "drive list";
        EXPECT_TRUE(standin::picker_open_directory(picker, "C:\\work\\sub"));
        EXPECT_TRUE(standin::press(picker, IDOK));
        EXPECT_FALSE(standin::dialog_is_open(picker));
    });
    EXPECT_NE(choose_folder(owner, result), 0);
    EXPECT_STREQ(result, "C:\\work\\sub");
    char current[MAX_PATH];
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_STREQ(current, "C:\\start") << "the picker leaves the current directory as it was";
}

TEST_F(FolderChooserTest, PickerFileControlsAreOutOfReach) {
    standin::set_version(NT_351);
    standin::queue_dialog_handler(IDD_DIRECTORY_PICKER, [](HWND picker) {
        for (int id : {1090, 1152, 1120, 1089, 1136, 1040}) {
            EXPECT_FALSE(standin::control_visible(picker, id)) << id;
            EXPECT_FALSE(standin::focus_control(picker, id)) << id;
        }
        standin::press(picker, IDCANCEL);
    });
    EXPECT_EQ(choose_folder(owner, result), 0);
}

} // namespace

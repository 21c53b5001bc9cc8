// The stand-in's system dialogs for choosing a folder: shell32's folder browser with its
// allocator, and the old-style open-file dialog run from the program's template 102.
#include "standin.h"

#include <commdlg.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <stdlib.h>

namespace {

class FolderDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        standin::reset();
        char name[] = "/tmp/kolvane-dialogs-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        scratch = name;
        std::filesystem::create_directory(scratch + "/sub");
        standin::map_drive('C', scratch);
        standin::set_current_directory("C:\\");
    }
    void TearDown() override { std::filesystem::remove_all(scratch); }
    std::string scratch;
};

// ---- the shell ---------------------------------------------------------------------------

TEST_F(FolderDialogsTest, ShellModuleOffersTheBrowserUnlessAbsent) {
    HMODULE shell = GetModuleHandleA("shell32.dll");
    ASSERT_NE(shell, nullptr);
    EXPECT_EQ(LoadLibraryA("SHELL32.DLL"), shell);
    EXPECT_EQ(GetProcAddress(shell, "SHBrowseForFolderA"), (FARPROC)(void (*)())SHBrowseForFolderA);
    EXPECT_EQ(GetProcAddress(shell, "SHGetPathFromIDListA"),
              (FARPROC)(void (*)())SHGetPathFromIDListA);
    EXPECT_EQ(GetProcAddress(shell, "SHGetMalloc"), (FARPROC)(void (*)())SHGetMalloc);
    EXPECT_EQ(GetProcAddress(shell, "SHBrowseForFolderW"), nullptr);
    EXPECT_EQ(GetProcAddress(GetModuleHandleA(nullptr), "SHGetMalloc"), nullptr);
    EXPECT_EQ(LoadLibraryA("nosuch.dll"), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_MOD_NOT_FOUND);

    standin::set_shell_browser_available(false); // Windows NT 3.51: shell32 without them
    EXPECT_EQ(GetModuleHandleA("shell32.dll"), shell);
    EXPECT_EQ(GetProcAddress(shell, "SHBrowseForFolderA"), nullptr);
    EXPECT_EQ(GetProcAddress(shell, "SHGetMalloc"), nullptr);
}

TEST_F(FolderDialogsTest, BrowserAnswerTravelsThroughItemListAndAllocator) {
    IMalloc *allocator = nullptr;
    ASSERT_EQ(SHGetMalloc(&allocator), S_OK);
    char *display = (char *)allocator->Alloc(MAX_PATH);
    ASSERT_NE(display, nullptr);
    char title[] = "title";
    HWND owner = (HWND)0x1234;
    BROWSEINFOA request{owner, nullptr, display, title, BIF_RETURNONLYFSDIRS, nullptr, 0, 0};
    std::string chosen = "D:\\My Files\\" + standin::to_cp932("解凍");
    standin::queue_folder_browser_answer(chosen);

    LPITEMIDLIST list = SHBrowseForFolderA(&request);
    title[0] = 'T'; // the record keeps the text of the call
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(std::string(display), standin::to_cp932("解凍"));
    EXPECT_TRUE(SHGetPathFromIDListA(list, display));
    EXPECT_EQ(std::string(display), chosen);
    EXPECT_EQ(allocator->DidAlloc(list), 1); // the list is the shell allocator's block
    allocator->Free(list);
    allocator->Free(display);
    EXPECT_EQ(allocator->Release(), 0u);

    ASSERT_EQ(standin::folder_browsers().size(), 1u);
    const standin::FolderBrowserRecord &r = standin::folder_browsers()[0];
    EXPECT_EQ(r.request.hwndOwner, owner);
    EXPECT_EQ(r.request.pidlRoot, nullptr);
    EXPECT_EQ(r.request.pszDisplayName, display);
    EXPECT_EQ(r.request.ulFlags, (UINT)BIF_RETURNONLYFSDIRS);
    EXPECT_EQ(r.title, "title");
    EXPECT_FALSE(r.unanswered);
    standin::ShellAllocatorCounts counts = standin::shell_allocator_counts();
    EXPECT_EQ(counts.allocations, 2);
    EXPECT_EQ(counts.frees, 2);
    EXPECT_EQ(counts.live_blocks, 0);
    EXPECT_EQ(counts.references, 0);
}

TEST_F(FolderDialogsTest, BrowserCancelsAndItemsWithoutPath) {
    char display[MAX_PATH] = "unchanged";
    BROWSEINFOA request{nullptr, nullptr, display, "", BIF_RETURNONLYFSDIRS, nullptr, 0, 0};
    standin::queue_folder_browser_cancel();
    standin::queue_folder_browser_non_file_item();
    EXPECT_EQ(SHBrowseForFolderA(&request), nullptr);
    EXPECT_STREQ(display, "unchanged");

    LPITEMIDLIST list = SHBrowseForFolderA(&request);
    ASSERT_NE(list, nullptr);
    char path[MAX_PATH] = "x";
    EXPECT_FALSE(SHGetPathFromIDListA(list, path));
    EXPECT_STREQ(path, "");
    IMalloc *allocator;
    SHGetMalloc(&allocator);
    allocator->Free(list);
    allocator->Release();

    EXPECT_EQ(SHBrowseForFolderA(&request), nullptr); // nothing queued: cancels, recorded
    ASSERT_EQ(standin::folder_browsers().size(), 3u);
    EXPECT_FALSE(standin::folder_browsers()[1].unanswered);
    EXPECT_TRUE(standin::folder_browsers()[2].unanswered);
    EXPECT_EQ(standin::shell_allocator_counts().live_blocks, 0);
}

TEST_F(FolderDialogsTest, AllocatorFailuresOnDemand) {
    IMalloc *allocator = (IMalloc *)1;
    standin::set_shell_allocator_available(false);
    EXPECT_TRUE(FAILED(SHGetMalloc(&allocator)));
    EXPECT_EQ(allocator, nullptr);
    standin::set_shell_allocator_available(true);
    ASSERT_EQ(SHGetMalloc(&allocator), S_OK);
    standin::fail_next_shell_allocation();
    EXPECT_EQ(allocator->Alloc(MAX_PATH), nullptr);
    void *block = allocator->Alloc(MAX_PATH);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(standin::shell_allocator_counts().live_blocks, 1);
    allocator->Free(block);
    allocator->Release();
    EXPECT_EQ(standin::shell_allocator_counts().allocations, 2);
}

// ---- the old-style open-file dialog --------------------------------------------------------

std::vector<UINT> hook_messages;
LPARAM hook_init_parameter;
bool abort_on_ok;

// Lets every command through to the dialog; with `abort_on_ok`, OK also posts IDABORT
// with 7 as the result.
UINT_PTR CALLBACK test_hook(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    hook_messages.push_back(message);
    if (message == WM_INITDIALOG)
        hook_init_parameter = lparam;
    if (message == WM_COMMAND && LOWORD(wparam) == IDOK && abort_on_ok)
        PostMessageA(dialog, WM_COMMAND, IDABORT, 7);
    return message == WM_INITDIALOG;
}

class OpenFileTest : public FolderDialogsTest {
  protected:
    void SetUp() override {
        FolderDialogsTest::SetUp();
        hook_messages.clear();
        hook_init_parameter = 0;
        abort_on_ok = true;
        memset(&request, 0, sizeof request);
        request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
        request.hInstance = GetModuleHandleA(nullptr);
        request.lpstrFile = file;
        request.nMaxFile = sizeof file;
        request.lpstrTitle = "picker";
        request.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE |
                        OFN_PATHMUSTEXIST;
        request.lpfnHook = test_hook;
        request.lpTemplateName = MAKEINTRESOURCE(102);
    }
    OPENFILENAMEA request;
    char file[MAX_PATH] = "";
};

TEST_F(OpenFileTest, RunsTemplateWithHookAndEndsOnAbortWithItsResult) {
    HWND picker = nullptr;
    standin::queue_dialog_handler(102, [&](HWND d) {
        picker = d;
        EXPECT_EQ(standin::window_text(d), "picker");
        EXPECT_EQ(standin::control_text(d, 1088), "C:\\");
        EXPECT_EQ(standin::focused_control_id(d), 1121); // the first reachable tab stop
        EXPECT_FALSE(standin::focus_control(d, 1152));   // file controls are out of reach
        EXPECT_TRUE(standin::press(d, IDOK));
        EXPECT_FALSE(standin::dialog_is_open(d));
    });
    EXPECT_EQ(GetOpenFileNameA(&request), 7);
    EXPECT_EQ(hook_init_parameter, (LPARAM)&request);
    ASSERT_EQ(standin::dialogs().size(), 1u);
    EXPECT_EQ(standin::dialogs()[0].template_id, 102);
    EXPECT_EQ(standin::dialogs()[0].window, picker);
    ASSERT_EQ(standin::open_file_dialogs().size(), 1u);
    EXPECT_EQ(standin::open_file_dialogs()[0].request.lpfnHook, test_hook);
    EXPECT_EQ(standin::open_file_dialogs()[0].title, "picker");
    EXPECT_EQ(standin::open_file_dialogs()[0].result, 7);
}

TEST_F(OpenFileTest, OkLeftToTheDialogEndsNothingAndCancelEndsWithFalse) {
    abort_on_ok = false;
    standin::queue_dialog_handler(102, [](HWND d) {
        EXPECT_TRUE(standin::press_enter(d)); // the focus is on the directory list
        EXPECT_TRUE(standin::press(d, IDOK));
        EXPECT_TRUE(standin::dialog_is_open(d));
        EXPECT_TRUE(standin::press(d, IDCANCEL));
    });
    EXPECT_EQ(GetOpenFileNameA(&request), FALSE);
    EXPECT_EQ(standin::dialogs()[0].failure, "");
    EXPECT_EQ(standin::dialogs()[0].result, FALSE);

    standin::queue_dialog_handler(102, [](HWND d) { standin::press(d, IDOK); });
    EXPECT_EQ(GetOpenFileNameA(&request), FALSE);
    EXPECT_EQ(standin::dialogs()[1].failure, "the script left the dialog open");
}

TEST_F(OpenFileTest, OpeningADirectoryMovesCurrentDirectoryUntilTheDialogEnds) {
    char directory[MAX_PATH];
    standin::queue_dialog_handler(102, [&](HWND d) {
        EXPECT_FALSE(standin::picker_open_directory(d, "C:\\missing"));
        EXPECT_TRUE(standin::picker_open_directory(d, "C:\\sub"));
        EXPECT_EQ(standin::control_text(d, 1088), "C:\\sub");
        GetCurrentDirectoryA(sizeof directory, directory);
        EXPECT_STREQ(directory, "C:\\sub");
        standin::press(d, IDOK);
    });
    EXPECT_EQ(GetOpenFileNameA(&request), 7);
    GetCurrentDirectoryA(sizeof directory, directory);
    EXPECT_STREQ(directory, "C:\\"); // OFN_NOCHANGEDIR

    request.Flags &= ~(DWORD)OFN_NOCHANGEDIR;
    standin::queue_dialog_handler(102, [&](HWND d) {
        standin::picker_open_directory(d, "C:\\sub");
        standin::press(d, IDOK);
    });
    GetOpenFileNameA(&request);
    GetCurrentDirectoryA(sizeof directory, directory);
    EXPECT_STREQ(directory, "C:\\sub");
}

TEST_F(OpenFileTest, RequestsOfOtherSizesOrWithoutTemplateFail) {
    standin::set_default_dialog_handler([](HWND d, int) { standin::press(d, IDOK); });
    request.lStructSize = 88;
    EXPECT_EQ(GetOpenFileNameA(&request), FALSE);
    EXPECT_TRUE(standin::dialogs().empty());

    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.Flags &= ~(DWORD)OFN_ENABLETEMPLATE;
    EXPECT_EQ(GetOpenFileNameA(&request), FALSE);
    ASSERT_EQ(standin::dialogs().size(), 1u);
    EXPECT_NE(standin::dialogs()[0].failure, "");
    EXPECT_EQ(standin::open_file_dialogs().size(), 2u);
}

} // namespace

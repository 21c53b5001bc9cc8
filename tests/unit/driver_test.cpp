// Whole extraction runs through the driver: notice, files, directories, overwrite
// answers, attributes, time stamps, CRC failures, Cancel, and the configured command.
#include "extract/driver.h"
#include "extract/sink.h"
#include "fixture.h"
#include "lzh_builder.h"
#include "lzh_stream.h"
#include "process/messages.h"
#include "resource.h"

#include <filesystem>
#include <commctrl.h>
#include <sys/stat.h>

namespace {

INT_PTR quiet_owner(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

class DriverTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        strcpy(state.config.title, "Title");
        state.config.archive_offset = 2048;
        strcpy(state.destination_folder, "C:\\out");
    }

    void archive(const std::vector<TestMember> &members) {
        uint64_t total = 0;
        for (const TestMember &m : members)
            total += m.method == "-lh0-" ? m.data.size() : m.original.size();
        state.config.total_size_low = (uint32_t)total;
        state.config.total_size_high = (uint32_t)(total >> 32);
        write_self_extractor(state.config, archive_bytes(members));
    }

    std::string out(const std::string &relative) const { return scratch + "/out/" + relative; }
    std::string read_out(const std::string &relative) const {
        auto bytes = read_host_file(out(relative));
        return std::string(bytes.begin(), bytes.end());
    }
    void answer_overwrite(int button) {
        standin::queue_dialog_handler(IDD_OVERWRITE,
                                      [button](HWND dialog) { standin::press(dialog, button); });
    }
    size_t files_in(const std::string &host_folder) const {
        size_t n = 0;
        for (auto &entry : std::filesystem::directory_iterator(host_folder))
            n += entry.is_regular_file();
        return n;
    }
};

TEST_F(DriverTest, EmptyArchiveSucceedsInBothModes) {
    strcpy(state.config.command, "setup.exe");
    archive({});
    EXPECT_EQ(run_extraction(nullptr, MODE_NOTICE), 1);
    EXPECT_TRUE(standin::shell_executions().empty()) << "notice mode never starts the command";
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 1);
    EXPECT_FALSE(host_exists(out("")));
    ASSERT_EQ(standin::shell_executions().size(), 1u);
    EXPECT_EQ(standin::shell_executions()[0].directory, "C:\\out");
    EXPECT_TRUE(standin::message_boxes().empty());
}

TEST_F(DriverTest, NoticeFirstIsAskedAndNoEndsTheRun) {
    archive({stored_file("!", cp932("お知らせ") + "\r\nline 2"), stored_file("a.txt", "A")});
    standin::queue_message_box_answer(IDYES);
    EXPECT_EQ(run_extraction(nullptr, MODE_NOTICE), 1);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "お知らせ\r\nline 2");
    EXPECT_EQ(box_caption(0), "Title");
    EXPECT_EQ(standin::message_boxes()[0].style, (UINT)(MB_ICONQUESTION | MB_YESNO));
    EXPECT_EQ(standin::message_boxes()[0].owner, nullptr);

    standin::queue_message_box_answer(IDNO);
    EXPECT_EQ(run_extraction(nullptr, MODE_NOTICE), 0);
    EXPECT_FALSE(host_exists(out("a.txt")));
}

TEST_F(DriverTest, EmptyNoticeShowsAnEmptyText) {
    archive({stored_file("!", "")});
    strcpy(state.text_buffer, "left over from loading the configuration");
    EXPECT_EQ(run_extraction(nullptr, MODE_NOTICE), 1);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "");
}

TEST_F(DriverTest, NoticeElsewhereIsNeverShownNorWritten) {
    archive({stored_file("a.txt", "A"), stored_file("!", "notice"), stored_file("b.txt", "B")});
    EXPECT_EQ(run_extraction(nullptr, MODE_NOTICE), 1);
    EXPECT_TRUE(standin::message_boxes().empty());
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 1);
    EXPECT_EQ(read_out("a.txt"), "A");
    EXPECT_EQ(read_out("b.txt"), "B");
    EXPECT_FALSE(host_exists(out("!")));
    EXPECT_EQ(state.bytes_done, 2u) << "the notice member adds nothing";
}

TEST_F(DriverTest, NoticeFirstIsPassedOverInExtractMode) {
    archive({stored_file("!", "notice"), stored_file("d/a.txt", "A")});
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 1);
    EXPECT_TRUE(standin::message_boxes().empty());
    EXPECT_EQ(read_out("d/a.txt"), "A");
    EXPECT_EQ(files_in(out("")), 0u);
}

TEST_F(DriverTest, CrcErrorInTheThirdOfFiveStopsTheRun) {
    strcpy(state.config.command, "setup.exe");
    std::vector<TestMember> members;
    for (int i = 1; i <= 5; i++)
        members.push_back(stored_file("f" + std::to_string(i), std::string(100 * i, 'a' + i)));
    members[2].data_crc = bitwise_crc16(members[2].data) ^ 1;
    archive(members);
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 0);
    EXPECT_TRUE(host_exists(out("f1")));
    EXPECT_TRUE(host_exists(out("f2")));
    EXPECT_FALSE(host_exists(out("f3")));
    EXPECT_FALSE(host_exists(out("f4")));
    EXPECT_FALSE(host_exists(out("f5")));
    EXPECT_TRUE(standin::shell_executions().empty());
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "\"C:\\out/f3\" CRC ｴﾗｰ");
    EXPECT_EQ(box_caption(0), "Title");
    EXPECT_EQ(standin::message_boxes()[0].style, (UINT)MB_ICONERROR);
}

TEST_F(DriverTest, DataTooShortForItsSizeIsACrcError) {
    TestMember zeros = stored_file("zeros.bin", std::string(10, '\0'));
    zeros.method = "-lh5-";
    zeros.original_size = 200000;
    zeros.set_original = true;
    zeros.data_crc = 0; // the CRC of any run of zeros
    archive({zeros});
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 0);
    EXPECT_FALSE(host_exists(out("zeros.bin")));
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "\"C:\\out/zeros.bin\" CRC ｴﾗｰ");
}

// Bytes after the end of a member's compressed stream but inside its compressed size are
// its data, whatever they look like: the next header is read where the size says, not
// where the decoder stopped reading (after the first 16384-byte block here).
TEST_F(DriverTest, HeadersInsideAMembersDataAreNeverRead) {
    BitWriter stream;
    write_block(stream, {literal('a'), literal('b'), literal('c')}, 14);
    TestMember packed = stored_file("a.txt", "");
    packed.method = "-lh5-";
    packed.original = {'a', 'b', 'c'};
    packed.data = stream.bytes();
    packed.data.resize(16384);
    std::vector<uint8_t> hidden = member_bytes(stored_file("hidden.txt", "h"));
    packed.data.insert(packed.data.end(), hidden.begin(), hidden.end());
    archive({packed, stored_file("visible.txt", "v")});
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 1);
    EXPECT_EQ(read_out("a.txt"), "abc");
    EXPECT_EQ(read_out("visible.txt"), "v");
    EXPECT_FALSE(host_exists(out("hidden.txt")));
}

// Nothing at the archive offset: the archive is damaged, and the command does not start.
TEST_F(DriverTest, ArchiveOffsetAtOrPastTheEndIsABadHeader) {
    strcpy(state.config.command, "setup.exe");
    archive({stored_file("a.txt", "A")});
    for (uint32_t past : {0u, 1000000u}) {
        state.config.archive_offset =
            (uint32_t)std::filesystem::file_size(scratch + "/sfx.exe") + past;
        standin::message_boxes().clear();
        EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 0) << past;
        ASSERT_EQ(standin::message_boxes().size(), 1u) << past;
        EXPECT_EQ(box_text(0), "\"C:\\sfx.exe\" ﾍｯﾀﾞｰの内容が不正です");
    }
    EXPECT_TRUE(standin::shell_executions().empty());
}

TEST_F(DriverTest, BrokenHeaderNamesTheProgramItself) {
    std::vector<uint8_t> bytes = archive_bytes({stored_file("a", "x")});
    bytes[10] ^= 0x40; // inside the fixed part: the header CRC no longer matches
    write_self_extractor(state.config, bytes);
    EXPECT_EQ(run_extraction(nullptr, MODE_NOTICE), 0);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "\"C:\\sfx.exe\" ﾍｯﾀﾞｰの内容が不正です");
    EXPECT_EQ(standin::message_boxes()[0].owner, nullptr);
}

TEST_F(DriverTest, MissingOwnFileIsAReadError) {
    EXPECT_EQ(run_extraction(nullptr, MODE_NOTICE), 0);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "\"C:\\sfx.exe\" 読み込みｴﾗｰ");
}

TEST_F(DriverTest, MemberClimbingOutIsRefused) {
    archive({stored_file("ok.txt", "1"), stored_file("a/../../escape.txt", "2")});
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 0);
    EXPECT_EQ(read_out("ok.txt"), "1");
    EXPECT_FALSE(host_exists(scratch + "/escape.txt"));
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "\"C:\\sfx.exe\" ﾍｯﾀﾞｰの内容が不正です");
}

TEST_F(DriverTest, DirectoriesTimesAndAttributes) {
    state.config.flags = SFX_RESTORE_ATTRIBUTES;
    TestMember dir = directory_member("docs");
    dir.attribute = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN;
    TestMember bare_dir = directory_member("bare");
    bare_dir.dir = "bare"; // no trailing separator
    TestMember file = stored_file("docs/a.txt", "text");
    file.attribute = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    file.time_stamp = 0;
    TestMember late = stored_file("late.txt", "x");
    late.time_stamp = 0xF0000000u; // past 2038
    archive({dir, bare_dir, file, late});
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 1);
    EXPECT_EQ(GetFileAttributesA("C:\\out\\docs"),
              (DWORD)(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    struct stat st;
    ASSERT_EQ(stat(out("bare").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(GetFileAttributesA("C:\\out\\docs\\a.txt"),
              (DWORD)(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_EQ(stat(out("docs/a.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 0);
    ASSERT_EQ(stat(out("late.txt").c_str(), &st), 0);
    EXPECT_EQ((int64_t)st.st_mtime, (int64_t)0xF0000000u);
    EXPECT_EQ(state.bytes_done, 5u) << "directories add nothing";
}

// A folder member's attributes never land on a file of the same name, whether they would
// set its read-only bit or clear it.
TEST_F(DriverTest, FolderAttributesGoToFoldersOnly) {
    state.config.flags = SFX_RESTORE_ATTRIBUTES;
    ASSERT_EQ(mkdir(out("").c_str(), 0777), 0);
    write_host_file(out("keep.txt"), "mine");
    for (bool read_only : {false, true}) {
        SetFileAttributesA("C:\\out\\keep.txt",
                           read_only ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        DWORD before = GetFileAttributesA("C:\\out\\keep.txt");
        TestMember folder = directory_member("keep.txt");
        folder.attribute = FILE_ATTRIBUTE_DIRECTORY | (read_only ? 0 : FILE_ATTRIBUTE_READONLY);
        archive({folder});
        run_extraction(nullptr, MODE_EXTRACT);
        EXPECT_EQ(GetFileAttributesA("C:\\out\\keep.txt"), before);
        EXPECT_EQ(read_out("keep.txt"), "mine");
    }
}

TEST_F(DriverTest, AnsweringNoSkipsTheMemberAndStillCountsIt) {
    ASSERT_EQ(mkdir(out("").c_str(), 0777), 0);
    write_host_file(out("a.txt"), "old");
    archive({stored_file("a.txt", "new content"), stored_file("b.txt", "B")});
    answer_overwrite(IDNO);
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 1);
    EXPECT_EQ(read_out("a.txt"), "old");
    EXPECT_EQ(read_out("b.txt"), "B");
    EXPECT_EQ(state.bytes_done, 12u);
}

TEST_F(DriverTest, CancelInTheQuestionStopsWithoutAMessage) {
    ASSERT_EQ(mkdir(out("").c_str(), 0777), 0);
    write_host_file(out("a.txt"), "old");
    strcpy(state.config.command, "x.exe");
    archive({stored_file("a.txt", "new"), stored_file("b.txt", "B")});
    answer_overwrite(IDCANCEL);
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 0);
    EXPECT_EQ(read_out("a.txt"), "old");
    EXPECT_FALSE(host_exists(out("b.txt")));
    EXPECT_TRUE(standin::message_boxes().empty());
    EXPECT_TRUE(standin::shell_executions().empty());
}

// The status line keeps the reports' pace, yet names the member that a question is about,
// and the last one at the end, whether the clock runs or stands.
TEST_F(DriverTest, StatusLineNamesTheMemberAQuestionIsAbout) {
    archive({stored_file("a", "1"), stored_file("b", "2"), stored_file("c", "3"),
             stored_file("d", "4")});
    auto named = [](const char *member) {
        char text[64];
        wsprintfA(text, fetch_string(IDS_EXTRACTING), member);
        return std::string(text);
    };
    for (DWORD step : {0u, REPORT_INTERVAL}) {
        std::filesystem::remove_all(out(""));
        ASSERT_EQ(mkdir(out("").c_str(), 0777), 0);
        write_host_file(out("c"), "old");
        standin::set_tick_count(1000, step);
        std::string asked, after;
        standin::queue_dialog_handler(IDD_OVERWRITE, [&](HWND dialog) {
            asked = standin::control_text(state.owner_window, IDC_MESSAGE);
            standin::press(dialog, IDYES);
        });
        standin::queue_dialog_handler(IDD_MAIN, [&](HWND dialog) {
            EXPECT_EQ(run_extraction(dialog, MODE_EXTRACT), 1);
            after = standin::control_text(dialog, IDC_MESSAGE);
            EndDialog(dialog, 0);
        });
        InitCommonControls();
        DialogBoxParamA(state.instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, quiet_owner, 0);
        EXPECT_EQ(asked, named("c")) << step;
        EXPECT_EQ(after, named("d")) << step;
    }
}

TEST_F(DriverTest, OverwriteAllAsksOnce) {
    ASSERT_EQ(mkdir(out("").c_str(), 0777), 0);
    for (const char *name : {"a", "b", "c"})
        write_host_file(out(name), "old");
    archive({stored_file("a", "1"), stored_file("b", "2"), stored_file("c", "3")});
    answer_overwrite(IDC_OVERWRITE_ALL);
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 1);
    EXPECT_EQ(read_out("a") + read_out("b") + read_out("c"), "123");
    EXPECT_EQ(standin::dialogs().size(), 1u);
}

TEST_F(DriverTest, OverwriteFlagNeverAsks) {
    state.config.flags = SFX_OVERWRITE_WITHOUT_ASKING;
    ASSERT_EQ(mkdir(out("").c_str(), 0777), 0);
    write_host_file(out("a"), "old");
    archive({stored_file("a", "new")});
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 1);
    EXPECT_EQ(read_out("a"), "new");
    EXPECT_TRUE(standin::dialogs().empty());
}

TEST_F(DriverTest, ReadOnlyFileIsReplacedAfterYesButFailsUnderOverwriteAll) {
    ASSERT_EQ(mkdir(out("").c_str(), 0777), 0);
    write_host_file(out("ro"), "old");
    SetFileAttributesA("C:\\out\\ro", FILE_ATTRIBUTE_READONLY);
    archive({stored_file("ro", "new")});
    answer_overwrite(IDYES);
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 1);
    EXPECT_EQ(read_out("ro"), "new");

    SetFileAttributesA("C:\\out\\ro", FILE_ATTRIBUTE_READONLY);
    state.config.flags = SFX_OVERWRITE_WITHOUT_ASKING;
    archive({stored_file("ro", "newer")});
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 0);
    EXPECT_EQ(read_out("ro"), "new");
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "\"C:\\out/ro\" 書き込みｴﾗｰ");
}

TEST_F(DriverTest, FailedReplacementKeepsTheExistingFile) {
    ASSERT_EQ(mkdir(out("").c_str(), 0777), 0);
    write_host_file(out("keep.bin"), "precious");
    TestMember bad = stored_file("keep.bin", "replacement");
    bad.data_crc = 0x1234;
    archive({bad});
    answer_overwrite(IDYES);
    SetFileAttributesA("C:\\out\\keep.bin", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 0);
    EXPECT_EQ(read_out("keep.bin"), "precious");
    EXPECT_EQ(GetFileAttributesA("C:\\out\\keep.bin"), (DWORD)FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA("C:\\out\\keep.bin", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(files_in(out("")), 1u) << "no temporary file is left behind";
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "\"C:\\out/keep.bin\" CRC ｴﾗｰ");

    standin::message_boxes().clear();
    state.config.flags = SFX_OVERWRITE_WITHOUT_ASKING;
    archive({stored_file("keep.bin", std::string(70000, 'w'))});
    standin::fail_writes_after(65536 + 10, false);
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 0);
    EXPECT_EQ(read_out("keep.bin"), "precious");
    EXPECT_EQ(files_in(out("")), 1u);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "\"C:\\out/keep.bin\" 書き込みｴﾗｰ");
}

// Each file call a replacement makes is failed in turn, from the open of the program's own
// file to the moves that swap the two files: the existing file, read-only and agreed to be
// replaced, survives byte for byte and read-only, and no temporary file is left beside it.
TEST_F(DriverTest, ReplacementFailingAtAnyStepKeepsTheExistingFile) {
    ASSERT_EQ(mkdir(out("").c_str(), 0777), 0);
    const char old_text[] = "old\0\xff bytes";
    const std::string old_bytes(old_text, sizeof old_text - 1);
    standin::set_default_dialog_handler([](HWND dialog, int) { standin::press(dialog, IDYES); });
    archive({stored_file("keep.bin", "replacement")});
    auto put_old_file = [&] {
        SetFileAttributesA("C:\\out\\keep.bin", FILE_ATTRIBUTE_NORMAL);
        write_host_file(out("keep.bin"), old_bytes);
        SetFileAttributesA("C:\\out\\keep.bin", FILE_ATTRIBUTE_READONLY);
    };
    put_old_file();
    using standin::FileCall;
    int calls[3];
    for (FileCall call : {FileCall::Create, FileCall::Write, FileCall::Move})
        calls[(int)call] = -standin::file_calls_made(call);
    ASSERT_EQ(run_extraction(nullptr, MODE_EXTRACT), 1);
    ASSERT_EQ(read_out("keep.bin"), "replacement");
    for (FileCall call : {FileCall::Create, FileCall::Write, FileCall::Move})
        calls[(int)call] += standin::file_calls_made(call);
    for (FileCall call : {FileCall::Create, FileCall::Write, FileCall::Move}) {
        ASSERT_GT(calls[(int)call], 0);
        // The try to create the member's name as a new file fails anyway here; failing it
        // otherwise changes nothing.
        int tries_to_create = call == FileCall::Create ? 1 : 0;
        for (int nth = 1; nth <= calls[(int)call]; nth++) {
            SCOPED_TRACE("file call " + std::to_string((int)call) + ", number " +
                         std::to_string(nth));
            put_old_file();
            standin::fail_file_call(call, nth);
            if (run_extraction(nullptr, MODE_EXTRACT) == 1) {
                EXPECT_EQ(read_out("keep.bin"), "replacement");
                EXPECT_EQ(files_in(out("")), 1u);
                EXPECT_EQ(--tries_to_create, 0) << "only that try may fail without harm";
                continue;
            }
            EXPECT_EQ(read_out("keep.bin"), old_bytes);
            EXPECT_EQ(GetFileAttributesA("C:\\out\\keep.bin"), (DWORD)FILE_ATTRIBUTE_READONLY);
            EXPECT_EQ(files_in(out("")), 1u) << "no temporary file is left behind";
        }
        EXPECT_EQ(tries_to_create, 0);
    }
}

TEST_F(DriverTest, CancelDuringALongMemberRemovesThePartialFile) {
    ASSERT_EQ(mkdir(out("").c_str(), 0777), 0);
    write_host_file(out("existing"), "precious");
    state.config.flags = SFX_OVERWRITE_WITHOUT_ASKING;
    std::string big(5 * 65536 + 7, 'z');
    archive({stored_file("new.bin", big), stored_file("existing", big), stored_file("after", "x")});
    state.config.total_size_low = (uint32_t)(2 * big.size() + 1); // every block moves the bar
    int idle_calls = 0;
    standin::set_idle_handler([&] {
        if (++idle_calls == 2)
            state.cancel_requested = 1;
    });
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 0);
    EXPECT_FALSE(host_exists(out("new.bin")));
    EXPECT_EQ(read_out("existing"), "precious");
    EXPECT_FALSE(host_exists(out("after")));
    EXPECT_EQ(files_in(out("")), 1u);
    EXPECT_TRUE(standin::message_boxes().empty());

    state.cancel_requested = 0;
    idle_calls = -5; // the first member's six blocks pass; Cancel lands in the replacement
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 0);
    EXPECT_EQ(read_out("existing"), "precious");
    EXPECT_EQ(files_in(out("")), 2u) << "new.bin and the untouched existing file";
}

TEST_F(DriverTest, ExistingDirectoryInTheWayFailsToCreate) {
    ASSERT_EQ(mkdir(out("").c_str(), 0777), 0);
    ASSERT_EQ(mkdir(out("x").c_str(), 0777), 0);
    archive({stored_file("x", "file where a folder is")});
    answer_overwrite(IDYES);
    EXPECT_EQ(run_extraction(nullptr, MODE_EXTRACT), 0);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "\"C:\\out/x\" 書き込みｴﾗｰ");
}

} // namespace

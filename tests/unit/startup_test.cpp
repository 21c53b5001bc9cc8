// The start-up sequence: the version gate, the start-up failure boxes, the notice pass and
// the process exit codes.
#include "fixture.h"
#include "lzh_builder.h"
#include "resource.h"
#include "process/entry.h"

#include <unistd.h>

namespace {

constexpr DWORD NT_351 = 0x04213303;     // build 1057 in the high word
constexpr DWORD WINDOWS_95 = 0xC3B60004; // build 950, bits 30 and 31 set

class StartupTest : public ProgramTest {
  protected:
    SfxConfig block{};

    void SetUp() override {
        ProgramTest::SetUp();
        standin::set_version(WINDOWS_95);
        strcpy(block.title, "Setup");
        strcpy(block.folder, "C:\\out");
        block.archive_offset = 2048;
    }
    void write_archive(const std::vector<TestMember> &members) {
        uint32_t total = 0;
        for (const TestMember &member : members)
            total += (uint32_t)member.data.size();
        block.total_size_low = total;
        write_self_extractor(block, archive_bytes(members));
    }
    int start(LPSTR command_line = (LPSTR) "", int show = SW_SHOWDEFAULT) {
        return WinMain(GetModuleHandleA(nullptr), nullptr, command_line, show);
    }
    void expect_startup_box(size_t index, const char *utf8_text) {
        ASSERT_LT(index, standin::message_boxes().size());
        const auto &box = standin::message_boxes()[index];
        EXPECT_EQ(box_text(index), utf8_text);
        EXPECT_EQ(box_caption(index), "Kolvane 95  Ver 1.1");
        EXPECT_EQ(box.owner, nullptr);
        EXPECT_EQ(box.style, (UINT)MB_ICONERROR);
    }
    static void press_in_main_dialog(int button) {
        standin::queue_dialog_handler(IDD_MAIN,
                                      [button](HWND dialog) { standin::press(dialog, button); });
    }
};

TEST_F(StartupTest, GateFollowsTheVersionTable) {
    struct Row {
        DWORD version;
        bool accepted;
        const char *system;
    } rows[] = {
        {0x00000002, false, "NT, major below 3"},
        {0x02AF0A03, false, "NT 3.10"},
        {0x03F03203, false, "NT 3.50"},
        {0x00003203, false, "NT 3.50, no build number"},
        {NT_351, true, "NT 3.51"},
        {0x00003303, true, "NT 3.51, no build number"},
        {0x0000FF03, true, "NT 3.255: the minor version compares unsigned"},
        {0x05650004, true, "NT 4.0"},
        {0x23F00005, true, "Windows 2000"},
        {0x4A61000A, true, "Windows 10"},
        {0x55F0000A, true, "Windows 11, 10.0.22000 to the programs that name it"},
        {0x000000FF, true, "NT, major 255: the major version compares unsigned"},
        {0x80000A03, false, "Win32s on Windows 3.1"},
        {0x80005F03, false, "Win32s, minor 95"},
        {0x80000002, false, "95 family, major 2"},
        {WINDOWS_95, true, "Windows 95"},
        {0xC0000A04, true, "Windows 98"},
        {0xC0005A04, true, "Windows Me"},
        {0x800000FF, true, "95 family, major 255"},
    };
    for (const Row &row : rows) {
        standin::set_version(row.version);
        EXPECT_EQ(is_supported_windows() != 0, row.accepted) << row.system;
    }
}

TEST_F(StartupTest, RefusedSystemEndsBeforeTheOwnFileIsRead) {
    write_archive({stored_file("a.txt", "A")});
    memset(state.own_path, 0, sizeof state.own_path);
    standin::set_version(0x00003203); // NT 3.50
    EXPECT_EQ(start(), 0);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    expect_startup_box(0, "このﾌﾟﾛｸﾞﾗﾑは Windows95/NT3.51 以降の環境でなければ実行できません");
    EXPECT_STREQ(state.own_path, "") << "the module path is taken after the gate";
    EXPECT_STREQ(state.config.title, "") << "the configuration is never loaded";
    EXPECT_TRUE(standin::dialogs().empty());
    EXPECT_TRUE(standin::common_controls_initialised()) << "common controls come first";
}

TEST_F(StartupTest, UnreadableConfigurationShowsTheBareMessage) {
    EXPECT_EQ(start(), 0) << "no file behind the module path";
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    expect_startup_box(0, "書庫が壊れています");
    EXPECT_TRUE(standin::dialogs().empty());

    standin::message_boxes().clear();
    write_self_extractor(block, {});
    truncate(host(own_path).c_str(), CONFIG_OFFSET + CONFIG_SIZE - 1);
    EXPECT_EQ(start(), 0) << "a file that ends inside the block";
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    expect_startup_box(0, "書庫が壊れています");
}

TEST_F(StartupTest, OwnPathComesFromTheModule) {
    write_archive({});
    memset(state.own_path, 0, sizeof state.own_path);
    press_in_main_dialog(IDCANCEL);
    EXPECT_EQ(start(), 0);
    EXPECT_EQ(std::string(state.own_path), own_path);
    EXPECT_STREQ(state.config.title, "Setup");
    EXPECT_EQ(state.instance, GetModuleHandleA(nullptr));
}

TEST_F(StartupTest, DeclinedNoticeEndsWithoutTheMainDialog) {
    write_archive({stored_file("!", "Read me first"), stored_file("a.txt", "A")});
    standin::queue_message_box_answer(IDNO);
    EXPECT_EQ(start(), 0);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "Read me first");
    EXPECT_EQ(box_caption(0), "Setup") << "the configuration is loaded before the notice";
    EXPECT_EQ(standin::message_boxes()[0].owner, nullptr);
    EXPECT_TRUE(standin::dialogs().empty());
    EXPECT_FALSE(host_exists(scratch + "/out"));
}

TEST_F(StartupTest, AcceptedNoticeLeadsToTheMainDialog) {
    write_archive({stored_file("!", "Read me first"), stored_file("a.txt", "A")});
    standin::queue_message_box_answer(IDYES);
    press_in_main_dialog(IDOK);
    EXPECT_EQ(start(), 1);
    ASSERT_EQ(standin::dialogs().size(), 1u);
    EXPECT_EQ(standin::dialogs()[0].template_id, IDD_MAIN);
    EXPECT_EQ(standin::dialogs()[0].owner, nullptr);
    EXPECT_EQ(read_host_file(scratch + "/out/a.txt"), std::vector<uint8_t>{'A'});
    EXPECT_FALSE(host_exists(scratch + "/out/!"));
}

TEST_F(StartupTest, BrokenArchiveInTheNoticePassEndsWithZero) {
    std::vector<uint8_t> broken = member_bytes(stored_file("a.txt", "A"));
    broken[5] = 'x'; // method "-lhx-"
    broken.push_back(0);
    write_self_extractor(block, broken);
    EXPECT_EQ(start(), 0);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "\"C:\\sfx.exe\" ﾍｯﾀﾞｰの内容が不正です");
    EXPECT_EQ(box_caption(0), "Setup");
    EXPECT_EQ(standin::message_boxes()[0].owner, nullptr);
    EXPECT_TRUE(standin::dialogs().empty());
}

TEST_F(StartupTest, CancelBeforeExtractionExitsWithZero) {
    write_archive({stored_file("a.txt", "A")});
    press_in_main_dialog(IDCANCEL);
    EXPECT_EQ(start(), 0);
    standin::queue_dialog_handler(IDD_MAIN, [](HWND dialog) { standin::press_escape(dialog); });
    EXPECT_EQ(start(), 0);
    standin::queue_dialog_handler(IDD_MAIN, [](HWND dialog) { standin::press_close_box(dialog); });
    EXPECT_EQ(start(), 0);
    EXPECT_FALSE(host_exists(scratch + "/out"));
}

TEST_F(StartupTest, AnyExtractionRunExitsWithOne) {
    write_archive({stored_file("a.txt", "A")});
    press_in_main_dialog(IDOK);
    EXPECT_EQ(start(), 1) << "success";
    EXPECT_TRUE(host_exists(scratch + "/out/a.txt"));

    TestMember bad = stored_file("b.txt", "B");
    bad.data_crc = bitwise_crc16(bad.data) ^ 1;
    write_archive({bad});
    press_in_main_dialog(IDOK);
    EXPECT_EQ(start(), 1) << "CRC error";
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_NE(box_text(0).find("CRC ｴﾗｰ"), std::string::npos);
    EXPECT_FALSE(host_exists(scratch + "/out/b.txt"));
}

TEST_F(StartupTest, CancelDuringExtractionStillExitsWithOne) {
    write_archive({stored_file("big.bin", std::string(300000, 'x'))});
    press_in_main_dialog(IDOK);
    standin::set_idle_handler([] {
        if (HWND dialog = standin::active_dialog())
            standin::press(dialog, IDCANCEL);
    });
    EXPECT_EQ(start(), 1);
    EXPECT_FALSE(host_exists(scratch + "/out/big.bin"));
    EXPECT_TRUE(standin::message_boxes().empty()) << "a cancel shows no message";
}

TEST_F(StartupTest, CommandLineAndShowCommandAreIgnored) {
    write_archive({stored_file("a.txt", "A")});
    press_in_main_dialog(IDOK);
    EXPECT_EQ(start((LPSTR) "/q C:\\elsewhere", 0), 1);
    EXPECT_TRUE(host_exists(scratch + "/out/a.txt"));
    press_in_main_dialog(IDCANCEL);
    EXPECT_EQ(start((LPSTR) "\"x y\" -s", 3), 0);
}

} // namespace

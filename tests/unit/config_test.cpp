// Loading the configuration block: reads, defaults, quoting, and the bounds of each field.
#include "fixture.h"
#include "process/config.h"

#include <unistd.h>

namespace {

class ConfigTest : public ProgramTest {
  protected:
    SfxConfig block{};
    void load_ok() {
        write_self_extractor(block, {});
        ASSERT_EQ(load_config(), 1);
    }
};

TEST_F(ConfigTest, AllZeroBlockGetsEveryDefault) {
    standin::set_current_directory("C:\\work");
    load_ok();
    EXPECT_EQ(standin::to_utf8(state.config.title), "Kolvane 95  Ver 1.1");
    EXPECT_STREQ(state.config.folder, "C:\\work");
    EXPECT_STREQ(state.config.label, "");
    EXPECT_STREQ(state.config.message, "");
    EXPECT_STREQ(state.config.command, "");
    EXPECT_EQ(state.config.total_size_low | state.config.total_size_high, 0u);
}

TEST_F(ConfigTest, FieldsAreReadFromOffset512) {
    block.archive_offset = 0x12345;
    strcpy(block.title, "T");
    strcpy(block.label, "L");
    strcpy(block.command, "setup.exe /s");
    block.flags = 1;
    block.total_size_low = 7;
    block.total_size_high = 9;
    load_ok();
    EXPECT_STREQ(state.config.title, "T");
    EXPECT_STREQ(state.config.label, "L");
    EXPECT_STREQ(state.config.command, "setup.exe /s");
    // The numbers of the packed block are copied out: gtest takes its values by reference.
    uint32_t offset = state.config.archive_offset, flags = state.config.flags;
    uint32_t low = state.config.total_size_low, high = state.config.total_size_high;
    EXPECT_EQ(offset, 0x12345u);
    EXPECT_EQ(flags, 1u);
    EXPECT_EQ(low, 7u);
    EXPECT_EQ(high, 9u);
}

TEST_F(ConfigTest, FileEndingBeforeTheBlockEndFails) {
    write_self_extractor(block, {}, 2048);
    truncate(host(own_path).c_str(), CONFIG_OFFSET + CONFIG_SIZE - 1);
    EXPECT_EQ(load_config(), 0);
    truncate(host(own_path).c_str(), CONFIG_OFFSET + CONFIG_SIZE);
    EXPECT_EQ(load_config(), 1);
}

TEST_F(ConfigTest, MissingFileFails) {
    EXPECT_EQ(load_config(), 0);
    EXPECT_TRUE(standin::message_boxes().empty());
}

TEST_F(ConfigTest, FolderIsQuotedOnlyWhenItHoldsASpace) {
    strcpy(block.folder, "C:\\Program Files\\Tool");
    load_ok();
    EXPECT_STREQ(state.config.folder, "\"C:\\Program Files\\Tool\"");

    strcpy(block.folder, "C:\\Tools\tX");
    load_ok();
    EXPECT_STREQ(state.config.folder, "C:\\Tools\tX") << "a tab is not a space";

    strcpy(block.folder, "\"C:\\A B");
    load_ok();
    EXPECT_STREQ(state.config.folder, "\"C:\\A B") << "a leading quote gets no more quotes";
}

TEST_F(ConfigTest, CurrentDirectoryWithSpaceIsQuoted) {
    standin::set_current_directory("C:\\My Work");
    load_ok();
    EXPECT_STREQ(state.config.folder, "\"C:\\My Work\"");
}

TEST_F(ConfigTest, EnvironmentComesBeforeMacros) {
    standin::set_environment("TEMP", "C:\\EnvTemp");
    standin::set_temp_path("C:\\SysTemp\\");
    strcpy(block.folder, "%TEMP%\\x");
    load_ok();
    EXPECT_STREQ(state.config.folder, "C:\\EnvTemp\\x");

    standin::clear_environment();
    load_ok();
    EXPECT_STREQ(state.config.folder, "C:\\SysTemp\\\\x");
}

TEST_F(ConfigTest, ExtractDirStaysAtLoadTime) {
    standin::set_system_directory("C:\\WIN\\SYS");
    strcpy(block.folder, "%ExtractDir%\\%SystemDir%");
    load_ok();
    EXPECT_STREQ(state.config.folder, "%ExtractDir%\\C:\\WIN\\SYS");
}

TEST_F(ConfigTest, DefaultMessageOnlyWithOverwriteFlag) {
    for (uint32_t flags : {0u, 1u, 2u, 3u, 0x100u, 0x102u}) {
        block.flags = flags;
        load_ok();
        bool expect_default = (flags & 2) != 0;
        EXPECT_EQ(standin::to_utf8(state.config.message),
                  expect_default ? "解凍先の同名ﾌｧｲﾙは上書きされます" : "")
            << "flags " << flags;
    }
    block.flags = 2;
    strcpy(block.message, "mine");
    load_ok();
    EXPECT_STREQ(state.config.message, "mine");
}

TEST_F(ConfigTest, UnterminatedFieldsStayWithinTheirWidth) {
    memset(block.title, 'T', sizeof block.title);
    memset(block.label, 'L', sizeof block.label);
    memset(block.message, 'M', sizeof block.message);
    memset(block.command, 'C', sizeof block.command);
    load_ok();
    EXPECT_EQ(strlen(state.config.title), sizeof block.title - 1);
    EXPECT_EQ(strlen(state.config.label), sizeof block.label - 1);
    EXPECT_EQ(strlen(state.config.message), sizeof block.message - 1);
    EXPECT_EQ(strlen(state.config.command), sizeof block.command - 1);
}

TEST_F(ConfigTest, LongSpacedFolderNeverSpillsIntoMessage) {
    std::string folder = "C:\\" + std::string(120, 'a') + " " + std::string(131, 'b'); // 255 bytes
    ASSERT_EQ(folder.size(), 255u);
    strcpy(block.folder, folder.c_str());
    strcpy(block.message, "after");
    load_ok();
    EXPECT_EQ(std::string(state.config.folder), folder) << "kept whole, unquoted";
    EXPECT_STREQ(state.config.message, "after");
}

TEST_F(ConfigTest, ExpandedFolderIsCutOnACharacterBoundary) {
    // 254 single bytes and then a double-byte character: the cut at 255 bytes would split it.
    standin::set_environment("LONG", std::string(254, 'x') + cp932("表") + "yy");
    strcpy(block.folder, "%LONG%");
    load_ok();
    EXPECT_EQ(std::string(state.config.folder), std::string(254, 'x'));
}

TEST_F(ConfigTest, OverlongCurrentDirectoryGivesAnEmptyFolder) {
    standin::set_current_directory("C:\\" + std::string(300, 'd'));
    load_ok();
    EXPECT_STREQ(state.config.folder, "");
}

} // namespace

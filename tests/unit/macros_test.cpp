// Path macros, registry folders and the configured command.
#include "fixture.h"
#include "macros/macros.h"

namespace {

const char *CURRENT_VERSION = "software\\Microsoft\\Windows\\CurrentVersion";

class MacroTest : public ProgramTest {
  protected:
    std::string expand(const char *source, const char *folder, int size = TEXT_BUFFER_SIZE) {
        char *end = expand_path_macros(source, state.text_buffer, size, folder);
        EXPECT_EQ(end, state.text_buffer + strlen(state.text_buffer));
        return state.text_buffer;
    }
};

TEST_F(MacroTest, EachMacroIsReplaced) {
    standin::set_system_directory("C:\\WINNT\\system32");
    standin::set_temp_path("C:\\TEMP\\");
    standin::set_registry_value(CURRENT_VERSION, "ProgramFilesDir", "C:\\Program Files");
    standin::set_registry_value(CURRENT_VERSION, "CommonFilesDir",
                                "C:\\Program Files\\Common Files");
    EXPECT_EQ(expand("%ExtractDir%\\setup.exe", "D:\\Out"), "D:\\Out\\setup.exe");
    EXPECT_EQ(expand("%SystemDir%\\x", nullptr), "C:\\WINNT\\system32\\x");
    EXPECT_EQ(expand("%ProgramFilesDir%\\App", nullptr), "C:\\Program Files\\App");
    EXPECT_EQ(expand("%CommonFilesDir%", nullptr), "C:\\Program Files\\Common Files");
    EXPECT_EQ(expand("%TEMP%\\a", nullptr), "C:\\TEMP\\\\a") << "temp keeps its own backslash";
}

TEST_F(MacroTest, WhatIsNotAMacroStays) {
    EXPECT_EQ(expand("%extractdir%", "D:\\x"), "%extractdir%");
    EXPECT_EQ(expand("%ExtractDir%", nullptr), "%ExtractDir%");
    EXPECT_EQ(expand("100%", nullptr), "100%");
    EXPECT_EQ(expand("%", nullptr), "%");
    EXPECT_EQ(expand("%X%TEMP%", nullptr), "%X" + std::string("C:\\TEMP\\"))
        << "the closing % of an unknown name may open a macro";
}

TEST_F(MacroTest, MissingRegistryValueKeepsTheMacro) {
    EXPECT_EQ(expand("%ProgramFilesDir%\\a", nullptr), "%ProgramFilesDir%\\a");
    standin::set_registry_value(CURRENT_VERSION, "Other", "x");
    EXPECT_EQ(expand("%CommonFilesDir%", nullptr), "%CommonFilesDir%");
}

TEST_F(MacroTest, TooLongReplacementsKeepTheMacro) {
    standin::set_registry_value(CURRENT_VERSION, "ProgramFilesDir", "C:\\" + std::string(300, 'p'));
    standin::set_system_directory("C:\\" + std::string(300, 's'));
    standin::set_temp_path("C:\\" + std::string(259, 't'));
    EXPECT_EQ(expand("%ProgramFilesDir%|%SystemDir%|%TEMP%", nullptr),
              "%ProgramFilesDir%|%SystemDir%|%TEMP%");
}

TEST_F(MacroTest, ExpansionStaysInsideTheDestination) {
    std::string folder = "D:\\" + std::string(250, 'f');
    std::string source;
    for (int i = 0; i < 21; i++)
        source += "%ExtractDir%";
    ASSERT_LT(source.size(), 260u);
    memset(state.text_buffer, 0x55, sizeof state.text_buffer);
    std::string result = expand(source.c_str(), folder.c_str());
    EXPECT_EQ(result.size(), (size_t)TEXT_BUFFER_SIZE - 1);
    EXPECT_EQ(result.substr(0, folder.size()), folder);
}

TEST_F(MacroTest, CutNeverSplitsADoubleByteCharacter) {
    std::string folder = cp932("日本語");
    // 5 bytes of room: two characters (4 bytes) fit, the third would not.
    EXPECT_EQ(expand("%ExtractDir%", folder.c_str(), 6), cp932("日本"));
    EXPECT_EQ(expand("ab%ExtractDir%", folder.c_str(), 6), "ab" + cp932("日"));
}

TEST_F(MacroTest, SplitCommandCases) {
    char program[TEXT_BUFFER_SIZE];
    EXPECT_STREQ(split_command(program, "  setup.exe /a /b"), "/a /b");
    EXPECT_STREQ(program, "setup.exe");
    EXPECT_STREQ(split_command(program, "\"C:\\My App\\run.exe\"  \"x y\" z"), "\"x y\" z");
    EXPECT_STREQ(program, "C:\\My App\\run.exe");
    EXPECT_STREQ(split_command(program, "\"C:\\open ended"), "");
    EXPECT_STREQ(program, "C:\\open ended");
    EXPECT_STREQ(split_command(program, "\t"), "");
    EXPECT_STREQ(program, "");
}

TEST_F(MacroTest, CommandStartsInTheDestinationWithArguments) {
    strcpy(state.destination_folder, "D:\\Out Dir");
    strcpy(state.config.command, "\"%ExtractDir%\\setup.exe\" /quiet");
    state.owner_window = reinterpret_cast<HWND>(0x1234);
    run_configured_command();
    ASSERT_EQ(standin::shell_executions().size(), 1u);
    const auto &run = standin::shell_executions()[0];
    EXPECT_EQ(run.owner, state.owner_window);
    EXPECT_FALSE(run.has_verb);
    EXPECT_EQ(run.file, "D:\\Out Dir\\setup.exe");
    EXPECT_EQ(run.parameters, "/quiet");
    EXPECT_EQ(run.directory, "D:\\Out Dir");
    EXPECT_EQ(run.show, SW_SHOW);
}

TEST_F(MacroTest, CommandWithoutArgumentsPassesNone) {
    strcpy(state.destination_folder, "D:\\Out");
    standin::set_environment("APP", "tool.exe");
    strcpy(state.config.command, "%APP%   ");
    run_configured_command();
    ASSERT_EQ(standin::shell_executions().size(), 1u);
    EXPECT_EQ(standin::shell_executions()[0].file, "tool.exe");
    EXPECT_FALSE(standin::shell_executions()[0].has_parameters);
}

TEST_F(MacroTest, UnquotedExtractDirIsCutAtItsSpace) {
    strcpy(state.destination_folder, "D:\\My Out");
    strcpy(state.config.command, "%ExtractDir%\\a.exe");
    run_configured_command();
    ASSERT_EQ(standin::shell_executions().size(), 1u);
    EXPECT_EQ(standin::shell_executions()[0].file, "D:\\My");
    EXPECT_EQ(standin::shell_executions()[0].parameters, "Out\\a.exe");
}

TEST_F(MacroTest, ExpandedCommandIsCutToItsField) {
    strcpy(state.destination_folder, ("D:\\" + std::string(250, 'o')).c_str());
    strcpy(state.config.command, "%ExtractDir%\\%ExtractDir%");
    run_configured_command();
    EXPECT_EQ(strlen(state.config.command), sizeof state.config.command - 1);
    ASSERT_EQ(standin::shell_executions().size(), 1u);
}

} // namespace

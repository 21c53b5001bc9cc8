// The stand-in's confined and null drives, which kolvane-unpack extracts and tests into.
#include "fixture.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

class ConfinedDrive : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        outside = scratch + "/outside";
        mkdir(outside.c_str(), 0777);
        mkdir((scratch + "/dest").c_str(), 0777);
        standin::map_drive('D', scratch + "/dest");
        standin::confine_drive('D');
    }
    HANDLE create(const char *path) {
        return CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    }
    std::string outside;
};

TEST_F(ConfinedDrive, PathsThroughSymbolicLinksAndParentsDoNotExist) {
    ASSERT_EQ(symlink(outside.c_str(), (scratch + "/dest/link").c_str()), 0);
    EXPECT_EQ(standin::host_path("D:\\link\\x"), "");
    EXPECT_EQ(standin::host_path("D:\\link"), "");
    EXPECT_EQ(standin::host_path("D:\\a\\..\\..\\x"), "");
    EXPECT_EQ(standin::host_path("D:\\a\\b"), scratch + "/dest/a/b"); // missing parts are fine
    EXPECT_EQ(create("D:\\link\\x"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileAttributesA("D:\\link"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(CreateDirectoryA("D:\\link\\sub", nullptr));
    EXPECT_FALSE(host_exists(outside + "/x"));
    EXPECT_FALSE(host_exists(outside + "/sub"));
}

TEST_F(ConfinedDrive, ALinkInPlaceOfAFileIsNeitherReplacedNorFollowed) {
    write_host_file(outside + "/target", std::string("kept"));
    ASSERT_EQ(symlink((outside + "/target").c_str(), (scratch + "/dest/file").c_str()), 0);
    EXPECT_EQ(create("D:\\file"), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileA("D:\\file"));
    EXPECT_EQ(read_host_file(outside + "/target"), std::vector<uint8_t>({'k', 'e', 'p', 't'}));
}

TEST_F(ConfinedDrive, OrdinaryFilesAndFoldersWork) {
    EXPECT_TRUE(CreateDirectoryA("D:\\a", nullptr));
    HANDLE file = create("D:\\a\\f.txt");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "abc", 3, &written, nullptr));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(read_host_file(scratch + "/dest/a/f.txt"), std::vector<uint8_t>({'a', 'b', 'c'}));
}

class NullDrive : public ProgramTest {};

TEST_F(NullDrive, TakesEveryByteAndKeepsNothing) {
    standin::map_null_drive('N');
    HANDLE file = CreateFileA("N:\\dir\\f.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::vector<uint8_t> block(65536, 0x5A);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, block.data(), (DWORD)block.size(), &written, nullptr));
    EXPECT_EQ(written, block.size());
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(GetFileAttributesA("N:\\dir\\f.bin"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(CreateFileA("N:\\dir\\f.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(standin::host_path("N:\\dir\\f.bin"), "");
}

TEST_F(NullDrive, StillFailsWritesOnDemand) {
    standin::map_null_drive('N');
    HANDLE file = CreateFileA("N:\\f", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    standin::fail_writes_after(10, false);
    DWORD written = 0;
    EXPECT_FALSE(WriteFile(file, "0123456789abcdef", 16, &written, nullptr));
    EXPECT_EQ(written, 10u);
    CloseHandle(file);
}

TEST_F(NullDrive, MappingTheLetterAgainMakesItAFolder) {
    standin::map_null_drive('N');
    standin::map_drive('N', scratch);
    EXPECT_EQ(standin::host_path("N:\\x"), scratch + "/x");
}

} // namespace

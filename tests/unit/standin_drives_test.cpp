// The stand-in's confined and null drives, which kolvane-unpack extracts and tests into.
#include "fixture.h"

#include <algorithm>
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

// Handles read and write at their own position; small reads are served from a block read
// ahead, which must never show bytes other than the file's own.
TEST_F(ProgramTest, HandlesReadTheFileAtTheirPosition) {
    std::vector<uint8_t> bytes(10000);
    for (size_t i = 0; i < bytes.size(); i++)
        bytes[i] = (uint8_t)(i * 7 + (i >> 8));
    write_host_file(host("C:\\f.bin"), bytes);
    HANDLE file = CreateFileA("C:\\f.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    auto read_at = [&](LONG offset, DWORD count) {
        std::vector<uint8_t> got(count);
        DWORD n = 0;
        EXPECT_EQ(SetFilePointer(file, offset, nullptr, FILE_BEGIN), (DWORD)offset);
        EXPECT_TRUE(ReadFile(file, got.data(), count, &n, nullptr));
        got.resize(n);
        return got;
    };
    auto slice = [&](size_t from, size_t to) {
        return std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + to);
    };
    EXPECT_EQ(read_at(100, 26), slice(100, 126));
    EXPECT_EQ(read_at(5000, 3000), slice(5000, 8000)) << "a large read outside the block";
    EXPECT_EQ(read_at(126, 3000), slice(126, 3126)) << "a large read inside it";
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 3126u);
    EXPECT_EQ(read_at(9990, 20), slice(9990, 10000)) << "cut at the end of the file";
    EXPECT_EQ(read_at(10000, 20), std::vector<uint8_t>());
    EXPECT_EQ(SetFilePointer(file, -10, nullptr, FILE_END), 9990u);

    read_at(200, 10);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "new", 3, &written, nullptr));
    EXPECT_EQ(written, 3u);
    std::vector<uint8_t> expected = slice(205, 215);
    std::copy_n("new", 3, expected.begin() + 5);
    EXPECT_EQ(read_at(205, 10), expected) << "what was written, not the block read before";
    CloseHandle(file);
}

} // namespace

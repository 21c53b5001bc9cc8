// Member headers: crafted level-2 headers, read from an archive file on the scratch drive,
// through every check, every refusal and every way of naming a member.
#include "archive/crc16.h"
#include "archive/header.h"
#include "fixture.h"
#include "tests/support/lzh_header.h"

#include <functional>
#include <string>
#include <vector>

namespace {

const std::string HYO = "\x95\x5C"; // 表: trail byte 0x5C
const std::string SO = "\x83\x5C";  // ソ: trail byte 0x5C
const std::string PO = "\x83\x7C";  // ポ: trail byte 0x7C

// The member most cases start from; each case changes what it is about.
struct Member : HeaderFields {
    Member() {
        method = "-lh5-";
        original_size = 1000;
        time_stamp = 0x3A5F1234;
        attribute = 0x21;
        data_crc = 0xBEEF;
        extensions = {crc_extension(), file_name("a.txt")};
    }
};

class HeaderTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        lstrcpynA(state.config.title, cp932("書庫の題").c_str(), sizeof state.config.title);
        state.owner_window = reinterpret_cast<HWND>(0x5150);
        crc16_build_table(CRC16_POLY);
    }
    void TearDown() override {
        release_header();
        if (state.archive_handle != INVALID_HANDLE_VALUE)
            CloseHandle(state.archive_handle);
        ProgramTest::TearDown();
    }

    void open_archive(const std::vector<uint8_t> &bytes) {
        if (state.archive_handle != INVALID_HANDLE_VALUE)
            CloseHandle(state.archive_handle);
        write_host_file(host("C:\\arc.lzh"), bytes);
        state.archive_handle =
            CreateFileA("C:\\arc.lzh", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(state.archive_handle, INVALID_HANDLE_VALUE);
    }
    int read_one(const std::vector<uint8_t> &bytes) {
        release_header();
        state.failed = 0;
        standin::message_boxes().clear();
        open_archive(bytes);
        return read_member_header();
    }
    std::string read_path(const Member &m) {
        EXPECT_EQ(read_one(sealed(m).bytes), HEADER_READY);
        return state.member_path;
    }

    // The one box of an invalid header: own path in quotes, string 5, configured title.
    void expect_bad_header(int result, const std::string &what) {
        EXPECT_EQ(result, HEADER_FAILED) << what;
        EXPECT_EQ(state.failed, 1) << what;
        ASSERT_EQ(standin::message_boxes().size(), 1u) << what;
        EXPECT_EQ(box_text(0), "\"C:\\sfx.exe\" ﾍｯﾀﾞｰの内容が不正です") << what;
        EXPECT_EQ(box_caption(0), "書庫の題") << what;
        EXPECT_EQ(standin::message_boxes()[0].style, (UINT)MB_ICONERROR) << what;
        EXPECT_EQ(standin::message_boxes()[0].owner, state.owner_window) << what;
    }
    void expect_end(int result) {
        EXPECT_EQ(result, HEADER_END);
        EXPECT_EQ(state.failed, 0);
        EXPECT_TRUE(standin::message_boxes().empty());
        EXPECT_EQ(state.header, nullptr);
    }
};

TEST_F(HeaderTest, ReadyMemberKeepsTheHeaderAsStored) {
    Member m;
    m.compressed_size = 4;
    m.extensions = {crc_extension(), dir_name("docs\xFF"), file_name("a.txt")};
    LaidOutHeader h = sealed(m);
    std::vector<uint8_t> archive = h.bytes;
    archive.insert(archive.end(), {'D', 'A', 'T', 'A'});
    ASSERT_EQ(read_one(archive), HEADER_READY);
    EXPECT_EQ(state.failed, 0);
    EXPECT_TRUE(standin::message_boxes().empty());
    EXPECT_STREQ(state.member_path, "docs/a.txt");
    EXPECT_EQ(state.member_data_offset, h.bytes.size());

    // The block holds the header byte for byte, with the checked CRC field zeroed.
    std::vector<uint8_t> expected = h.bytes;
    uint16_t stored_crc = read_u16(&expected[h.crc_at]);
    expected[h.crc_at] = expected[h.crc_at + 1] = 0;
    ASSERT_NE(state.header, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(state.header, state.header + expected.size()), expected);
    EXPECT_EQ(state.header_crc, stored_crc);
    EXPECT_EQ(state.header_crc_field, state.header + h.crc_at);
    EXPECT_EQ(read_u32(state.header + HEADER_TIME_STAMP), m.time_stamp);
    EXPECT_EQ(state.header[HEADER_ATTRIBUTE], m.attribute);
    EXPECT_EQ(read_u16(state.header + HEADER_DATA_CRC), m.data_crc);

    // The names point into the block.
    EXPECT_EQ(state.dir_name_length, 5u);
    EXPECT_EQ(memcmp(state.dir_name, "docs\xFF", 5), 0);
    EXPECT_EQ(state.file_name_length, 5u);
    EXPECT_EQ(memcmp(state.file_name, "a.txt", 5), 0);
    EXPECT_GE(state.file_name, state.header);
    EXPECT_LT(state.file_name, state.header + expected.size());

    // The archive stands at the member's data.
    uint8_t data[4];
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(state.archive_handle, data, 4, &got, nullptr));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(memcmp(data, "DATA", 4), 0);
}

TEST_F(HeaderTest, WalkOfSeveralMembers) {
    Member file;
    file.compressed_size = 3;
    file.extensions = {crc_extension(), file_name("old.txt")};
    Member dir;
    dir.method = "-lhd-";
    dir.compressed_size = 0;
    dir.extensions = {crc_extension(), dir_name("docs\xFF")};
    std::vector<uint8_t> archive = sealed(file).bytes;
    archive.insert(archive.end(), {1, 2, 3});
    std::vector<uint8_t> second = sealed(dir).bytes;
    archive.insert(archive.end(), second.begin(), second.end());

    for (bool end_marker : {true, false}) {
        std::vector<uint8_t> bytes = archive;
        if (end_marker)
            bytes.push_back(0);
        ASSERT_EQ(read_one(bytes), HEADER_READY);
        EXPECT_STREQ(state.member_path, "old.txt");
        SetFilePointer(state.archive_handle, 3, nullptr, FILE_CURRENT);
        release_header();
        ASSERT_EQ(read_member_header(), HEADER_READY);
        EXPECT_STREQ(state.member_path, "docs/") << "only the directory name, nothing left over";
        release_header();
        expect_end(read_member_header());
    }
}

// The archive's first header must be there, or its closing 0 byte; later the file may end
// at any header.
TEST_F(HeaderTest, ArchiveEndsAtItsZeroByteNotBeforeItsFirstHeader) {
    expect_bad_header(read_one({}), "nothing at the archive offset");
    expect_end(read_one({0}));
    std::vector<uint8_t> short_fixed = sealed(Member{}).bytes;
    short_fixed.resize(25);
    expect_bad_header(read_one(short_fixed), "a first header cut short");
    std::vector<uint8_t> zero_size = sealed(Member{}).bytes;
    zero_size[0] = zero_size[1] = 0;
    expect_end(read_one(zero_size));
}

// Stored data of another size than the file's, or data after a directory, could hold
// headers that a reader passing over compressed_size bytes never sees.
TEST_F(HeaderTest, SizesThatCouldHideMembersAreRefused) {
    for (const char *method : {"-lh0-", "-lhd-"}) {
        Member m;
        m.method = method;
        m.original_size = 6;
        m.compressed_size = method[3] == '0' ? 6 : 0;
        EXPECT_EQ(read_one(sealed(m).bytes), HEADER_READY) << method;
        m.compressed_size += 40;
        expect_bad_header(read_one(sealed(m).bytes), method);
    }
}

TEST_F(HeaderTest, LevelOtherThanTwoIsRefusedBeforeAllocation) {
    for (uint8_t level : {0, 1, 3, 0xFF}) {
        Member m;
        m.level = level;
        standin::fail_next_allocation(); // not reached: the level is checked first
        expect_bad_header(read_one(sealed(m).bytes), "level " + std::to_string(level));
        EXPECT_EQ(state.header, nullptr);
        ASSERT_EQ(read_one(sealed(Member{}).bytes), HEADER_FAILED) << "allocation still owed";
    }
}

TEST_F(HeaderTest, HeaderSizeBelowTheFixedPartIsRefused) {
    for (uint16_t size : {1, 2, 25}) {
        std::vector<uint8_t> bytes = sealed(Member{}).bytes;
        bytes[0] = (uint8_t)size;
        bytes[1] = 0;
        expect_bad_header(read_one(bytes), "size " + std::to_string(size));
        EXPECT_EQ(state.header, nullptr);
    }
}

TEST_F(HeaderTest, ShortRestOfTheHeaderIsRefused) {
    std::vector<uint8_t> bytes = sealed(Member{}).bytes;
    for (size_t keep : {bytes.size() - 1, (size_t)27, (size_t)26}) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + (long)keep);
        expect_bad_header(read_one(cut), "kept " + std::to_string(keep));
    }
}

TEST_F(HeaderTest, AllocationFailureShowsStringEightAlone) {
    standin::fail_next_allocation();
    EXPECT_EQ(read_one(sealed(Member{}).bytes), HEADER_FAILED);
    EXPECT_EQ(state.failed, 1);
    EXPECT_EQ(state.header, nullptr);
    ASSERT_EQ(standin::message_boxes().size(), 1u);
    EXPECT_EQ(box_text(0), "ﾒﾓﾘが足りません");
    EXPECT_EQ(box_caption(0), "書庫の題");
    EXPECT_EQ(standin::message_boxes()[0].style, (UINT)MB_ICONERROR);
    EXPECT_EQ(standin::message_boxes()[0].owner, state.owner_window);
}

TEST_F(HeaderTest, MethodGate) {
    for (const char *method : {"-lh0-", "-lh4-", "-lh5-", "-lh6-", "-lh7-", "-lhd-"}) {
        Member m;
        m.method = method;
        m.original_size = 0;
        EXPECT_EQ(read_one(sealed(m).bytes), HEADER_READY) << method;
    }
    const std::string refused[] = {"-lh1-",
                                   "-lh2-",
                                   "-lh3-",
                                   "-lh8-",
                                   "-lhD-",
                                   "-lz5-",
                                   "-lzs-",
                                   "_lh5-",
                                   "-Lh5-",
                                   "-lH5-",
                                   "-lh5_",
                                   std::string("-lh\0-", 5),
                                   std::string("\0lh5-", 5)};
    for (const std::string &method : refused) {
        Member m;
        m.method = method;
        expect_bad_header(read_one(sealed(m).bytes), method);
    }
}

TEST_F(HeaderTest, HeaderCrcExtensionIsRequired) {
    Member m;
    m.extensions = {file_name("a.txt"), dir_name("d\xFF")};
    expect_bad_header(read_one(sealed(m).bytes), "no CRC extension");
    m.extensions = {};
    expect_bad_header(read_one(sealed(m).bytes), "first_ext_size 0");
}

TEST_F(HeaderTest, EveryChangedByteFailsTheCrcCheck) {
    Member m;
    m.extensions = {crc_extension(), dir_name("d\xFF"), file_name("name.txt")};
    LaidOutHeader h = sealed(m);
    ASSERT_EQ(read_one(h.bytes), HEADER_READY);
    for (size_t at = 2; at < h.bytes.size(); at++) {
        for (uint8_t flip : {0x01, 0x80}) {
            std::vector<uint8_t> bytes = h.bytes;
            bytes[at] ^= flip;
            expect_bad_header(read_one(bytes), "byte " + std::to_string(at));
        }
    }
}

TEST_F(HeaderTest, StoredCrcOfZeroChecks) {
    // Search the data CRC field for the value that makes the header's own CRC 0.
    Member m;
    LaidOutHeader h = lay_out(m);
    bool found = false;
    for (uint32_t value = 0; value < 0x10000 && !found; value++) {
        h.bytes[HEADER_DATA_CRC] = (uint8_t)value;
        h.bytes[HEADER_DATA_CRC + 1] = (uint8_t)(value >> 8);
        found = bitwise_crc16(h.bytes.data(), h.bytes.size()) == 0;
    }
    ASSERT_TRUE(found);
    ASSERT_EQ(read_u16(&h.bytes[h.crc_at]), 0);
    EXPECT_EQ(read_one(h.bytes), HEADER_READY);
}

TEST_F(HeaderTest, ChainMustStayInsideTheHeader) {
    Member m;
    m.extensions = {crc_extension(), file_name("abc")};
    LaidOutHeader good = lay_out(m);
    // ... | 5 | 00 crc crc | 6 | 01 'a' 'b' 'c' | 0 |: the name's size field stands 8 bytes
    // before the end, the final 0 two bytes before it.
    size_t name_field = good.bytes.size() - 8;

    // The header size cuts the final size field in half: its second byte lies outside.
    LaidOutHeader cut = lay_out(m);
    cut.bytes.pop_back();
    cut.bytes[0] = (uint8_t)cut.bytes.size();
    seal(cut);
    expect_bad_header(read_one(cut.bytes), "size field straddles the end");

    // The last extension claims more bytes than the header holds.
    LaidOutHeader over = lay_out(m);
    ASSERT_EQ(over.bytes[name_field], 6);
    over.bytes[name_field] = 7;
    seal(over);
    expect_bad_header(read_one(over.bytes), "extension past the end");

    // The first extension's size is far beyond the header.
    LaidOutHeader first = lay_out(m);
    first.bytes[HEADER_FIRST_EXT_SIZE] = 0xFF;
    first.bytes[HEADER_FIRST_EXT_SIZE + 1] = 0xFF;
    expect_bad_header(read_one(first.bytes), "first extension past the end");

    // The same chain inside a larger header reads fine.
    LaidOutHeader padded = lay_out(m);
    padded.bytes.push_back(0);
    padded.bytes[0]++;
    seal(padded);
    EXPECT_EQ(read_one(padded.bytes), HEADER_READY);
}

TEST_F(HeaderTest, ExtensionSizesBelowThreeAreRefused) {
    Member m;
    m.extensions = {crc_extension(), file_name("abc")};
    LaidOutHeader base = lay_out(m);
    size_t name_field = base.bytes.size() - 8; // as in ChainMustStayInsideTheHeader
    for (uint8_t size : {1, 2}) {
        LaidOutHeader h = base;
        h.bytes[name_field] = size;
        seal(h);
        expect_bad_header(read_one(h.bytes), "size " + std::to_string(size));
    }
    // A size of 2 that would otherwise make a consistent header: after the name, the size
    // field at 30 says 2, so the next "extension" starts at 32 and its size field is
    // bytes 32-33 as well. Byte 32 = 0x00 makes it a header-CRC extension whose value is
    // bytes 33-34; bytes 32-33 = 0 end the chain. The CRC is made to fit: a data CRC is
    // searched that gives a header CRC with a low byte of 0, and its high byte goes to 34.
    Member overlapping;
    overlapping.extensions = {file_name("abc")};
    overlapping.padding = 3;
    LaidOutHeader h = lay_out(overlapping);
    ASSERT_EQ(h.bytes.size(), 35u);
    h.bytes[30] = 2;
    uint16_t crc = 0xFFFF;
    for (uint32_t value = 0; value < 0x10000 && (crc & 0xFF) != 0; value++) {
        h.bytes[HEADER_DATA_CRC] = (uint8_t)value;
        h.bytes[HEADER_DATA_CRC + 1] = (uint8_t)(value >> 8);
        crc = bitwise_crc16(h.bytes.data(), h.bytes.size());
    }
    ASSERT_EQ(crc & 0xFF, 0);
    h.bytes[34] = (uint8_t)(crc >> 8);
    expect_bad_header(read_one(h.bytes), "size 2 in a consistent header");

    // A size of 0 inside ends the chain there; the bytes after it are padding.
    h = base;
    h.bytes[name_field] = 0;
    seal(h);
    EXPECT_EQ(read_one(h.bytes), HEADER_READY);
    EXPECT_STREQ(state.member_path, "");
    // 3 is an extension with no data.
    m.extensions = {crc_extension(), file_name("")};
    EXPECT_EQ(read_path(m), "");
}

TEST_F(HeaderTest, PaddingAfterTheChainIsCounted) {
    Member m;
    m.padding = 1;
    EXPECT_EQ(read_path(m), "a.txt");
}

TEST_F(HeaderTest, NamesOfNoBytesOrStartingWithNul) {
    Member m;
    m.extensions = {crc_extension(), dir_name(""), file_name("")};
    EXPECT_EQ(read_path(m), "");
    m.extensions = {crc_extension(), dir_name("docs\xFF"), file_name(std::string("\0abc", 4))};
    EXPECT_EQ(read_path(m), "docs/");
    EXPECT_EQ(state.file_name_length, 4u);
    m.extensions = {crc_extension(), dir_name(std::string("\0d\xFF", 3)), file_name("f")};
    EXPECT_EQ(read_path(m), "");
}

TEST_F(HeaderTest, MemberPathMustFitItsBuffer) {
    std::vector<uint8_t> table_before(state.crc16_table, state.crc16_table + 256);
    Member m;
    m.extensions = {crc_extension(), dir_name(std::string(199, 'd') + "\xFF"),
                    file_name(std::string(71, 'f'))};
    EXPECT_EQ(read_path(m), std::string(199, 'd') + "/" + std::string(71, 'f'));
    EXPECT_EQ(strlen(state.member_path), (size_t)MEMBER_PATH_SIZE - 1);

    memset(state.member_path, '#', MEMBER_PATH_SIZE);
    m.extensions = {crc_extension(), dir_name(std::string(199, 'd') + "\xFF"),
                    file_name(std::string(72, 'f'))};
    expect_bad_header(read_one(sealed(m).bytes), "272 bytes of names");
    m.extensions = {crc_extension(), file_name(std::string(60000, 'f'))};
    expect_bad_header(read_one(sealed(m).bytes), "60000 bytes of file name");
    m.extensions = {crc_extension(), dir_name(std::string(300, 'd')), file_name("f")};
    expect_bad_header(read_one(sealed(m).bytes), "300 bytes of directory name");
    EXPECT_EQ(std::string(state.member_path, MEMBER_PATH_SIZE), std::string(MEMBER_PATH_SIZE, '#'))
        << "a refused path is not written";
    EXPECT_EQ(std::vector<uint8_t>(state.crc16_table, state.crc16_table + 256), table_before);
}

TEST_F(HeaderTest, DirectoryNamesWithAndWithoutTheirSeparator) {
    Member m;
    m.extensions = {crc_extension(), dir_name("docs\xFF"), file_name("a.txt")};
    EXPECT_EQ(read_path(m), "docs/a.txt");
    m.extensions = {crc_extension(), dir_name("docs"), file_name("a.txt")};
    EXPECT_EQ(read_path(m), "docsa.txt") << "no separator is added";
    m.extensions = {crc_extension(),
                    dir_name("a\xFF"
                             "b\\c/"),
                    file_name("x\\y")};
    EXPECT_EQ(read_path(m), "a/b/c/x/y");
    m.method = "-lhd-";
    m.extensions = {crc_extension(), dir_name("docs\xFF")};
    EXPECT_EQ(read_path(m), "docs/");
}

TEST_F(HeaderTest, DoubleByteNamesKeepTheirTrailBytes) {
    Member m;
    m.extensions = {crc_extension(), dir_name(HYO + "\xFF" + SO + "\\"),
                    file_name(PO + SO + ".txt")};
    EXPECT_EQ(read_path(m), HYO + "/" + SO + "/" + PO + SO + ".txt");
    // 0xFF after a lead byte is that character's trail byte.
    m.extensions = {crc_extension(), dir_name("\x88\xFF\xFF"), file_name("f")};
    EXPECT_EQ(read_path(m), "\x88\xFF/f");
}

TEST_F(HeaderTest, LastOccurrenceWins) {
    Member m;
    m.extensions = {crc_extension(), file_name("first"), dir_name("one\xFF"), file_name("second"),
                    dir_name("two\xFF")};
    EXPECT_EQ(read_path(m), "two/second");

    // With two CRC extensions the last is checked; the first is ordinary header content.
    Member twice;
    twice.extensions = {{0x00, "\x12\x34"}, file_name("f"), crc_extension()};
    LaidOutHeader h = sealed(twice);
    EXPECT_EQ(read_one(h.bytes), HEADER_READY);
    EXPECT_EQ(state.header_crc_field, state.header + h.crc_at);
    h.bytes[HEADER_FIXED_SIZE + 1]++; // the first CRC extension's value
    expect_bad_header(read_one(h.bytes), "first CRC value changed");
}

TEST_F(HeaderTest, OtherExtensionTypesAreSkipped) {
    Member m;
    m.attribute = 0x20;
    m.extensions = {crc_extension(), {0x40, std::string("\x01\x00", 2)},
                    file_name("f"),  {0x41, "xxxxxxxx"},
                    {0x54, "1234"},  {0xFF, ""}};
    EXPECT_EQ(read_path(m), "f");
    EXPECT_EQ(state.header[HEADER_ATTRIBUTE], 0x20) << "byte 19 alone is the attribute";
}

} // namespace

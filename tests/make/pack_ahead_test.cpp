// Compression ahead of the archive writer: every result must be what compressing the file
// alone gives, whatever the number of workers and the memory budget, and errors must come
// back at their own member.
#include "compress_file.h"
#include "make_error.h"
#include "reference_decoder.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class PackAheadTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("pack-ahead-" + std::to_string(getpid()));
        fs::create_directories(folder_);
        Member dir;
        dir.source = MemberSource::Directory;
        members_.push_back(dir);
        add_file("text", text_like(300000, 1));
        add_file("random", random_bytes(100000, 2)); // does not shrink: stored
        add_file("empty", {});
        add_file("one", {'x'});
        add_file("records", record_like(700000, 3)); // over the largest size below
        add_file("more-text", text_like(200000, 4));
        Member notice;
        notice.source = MemberSource::Notice;
        notice.text = "notice";
        notice.size = 6;
        members_.push_back(notice);
        add_file("mixed", concat({text_like(50000, 5), random_bytes(50000, 6)}));
    }
    void TearDown() override { fs::remove_all(folder_); }

    void add_file(const std::string &name, const std::vector<uint8_t> &bytes) {
        Member member;
        member.disk_path = (folder_ / name).string();
        member.shown = name;
        member.size = bytes.size();
        std::ofstream(member.disk_path, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
        members_.push_back(member);
        contents_[name] = bytes;
    }

    // Hands over every member PackAhead takes and checks it against compressing the file on
    // its own, and its data against the file.
    void expect_same_as_alone(PackAhead &ahead) {
        for (size_t i = 0; i < members_.size(); ++i) {
            if (!ahead.takes(i))
                continue;
            SCOPED_TRACE(members_[i].shown);
            PackAhead::Result result = ahead.result(i);
            std::vector<uint8_t> alone;
            MemberData data;
            auto keep = [&](const uint8_t *p, size_t n) { alone.insert(alone.end(), p, p + n); };
            const bool packed = compress_file(members_[i], '7', keep, data);
            ASSERT_EQ(result.packed, packed);
            if (!packed)
                continue;
            EXPECT_EQ(result.bytes, alone);
            EXPECT_EQ(result.data.method, '7');
            EXPECT_EQ(result.data.compressed_size, result.bytes.size());
            EXPECT_EQ(result.data.crc, data.crc);
            const std::vector<uint8_t> &original = contents_[members_[i].shown];
            EXPECT_EQ(result.data.original_size, original.size());
            DecodeReport decoded = reference_decode('7', result.bytes, original.size());
            EXPECT_TRUE(decoded.ok) << decoded.error;
            EXPECT_EQ(decoded.data, original);
        }
    }

    fs::path folder_;
    std::vector<Member> members_;
    std::map<std::string, std::vector<uint8_t>> contents_;
};

TEST_F(PackAheadTest, TakesOnlyNonEmptyFilesUpToTheLargestSize) {
    PackAhead ahead(members_, '7', {.workers = 2, .largest = 500000});
    std::vector<std::string> taken;
    for (size_t i = 0; i < members_.size(); ++i)
        if (ahead.takes(i))
            taken.push_back(members_[i].shown);
    EXPECT_EQ(taken, (std::vector<std::string>{"text", "random", "one", "more-text", "mixed"}));
    EXPECT_FALSE(ahead.takes(members_.size()));
    expect_same_as_alone(ahead);
}

TEST_F(PackAheadTest, NothingIsTakenWithOneProcessorOrWhenStoring) {
    PackAhead single(members_, '7', {.workers = 1});
    PackAhead storing(members_, '0', {.workers = 4});
    for (size_t i = 0; i < members_.size(); ++i) {
        EXPECT_FALSE(single.takes(i));
        EXPECT_FALSE(storing.takes(i));
    }
}

// A budget smaller than any file lets one file be in flight at a time; it must still hand
// every one over, with any number of workers.
TEST_F(PackAheadTest, TightBudgetStillHandsOverEveryFile) {
    for (unsigned workers : {2u, 3u, 8u}) {
        SCOPED_TRACE(workers);
        PackAhead ahead(members_, '7', {.workers = workers, .largest = 1 << 20, .ahead = 1});
        expect_same_as_alone(ahead);
    }
}

// A file that cannot be read fails at its own turn, naming it; the files around it are
// unaffected, and work left behind is abandoned without waiting for it.
TEST_F(PackAheadTest, ReadErrorComesBackAtItsMember) {
    fs::remove(members_[2].disk_path);
    PackAhead ahead(members_, '7', {.workers = 2});
    ASSERT_TRUE(ahead.takes(1) && ahead.takes(2) && ahead.takes(6));
    EXPECT_TRUE(ahead.result(1).packed);
    try {
        ahead.result(2);
        ADD_FAILURE() << "no error for a missing file";
    } catch (const MakeError &error) {
        EXPECT_NE(std::string(error.what()).find("\"random\": cannot be read"), std::string::npos)
            << error.what();
    }
    EXPECT_EQ(ahead.result(6).data.original_size, 200000u);
}

} // namespace

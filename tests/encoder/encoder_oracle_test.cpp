// Archives built around the encoder's output must pass the independent archivers: lhasa and
// 7-Zip test them, and lhasa extracts the members byte for byte.
#include "lzh_encoder.h"
#include "test_archive.h"
#include "test_data.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool have_tool(const char *name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string run(const std::string &command, int &status) {
    std::string output;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        status = -1;
        return output;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        output.append(buf, n);
    status = pclose(pipe);
    return output;
}

std::vector<uint8_t> read_file(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class Oracle : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!have_tool("lhasa") || !have_tool("7zz"))
            GTEST_SKIP() << "lhasa or 7zz is not installed";
        dir = fs::temp_directory_path() / ("lzh-encoder-oracle-" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "out");
    }
    void TearDown() override { fs::remove_all(dir); }

    // Writes the archive, has both tools test it and lhasa extract it, and compares.
    void check(const std::vector<ArchiveMember> &members) {
        const fs::path archive = dir / "test.lzh";
        const std::vector<uint8_t> bytes = make_archive(members);
        std::ofstream(archive, std::ios::binary)
            .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
        int status = 0;
        std::string log = run("lhasa t " + archive.string(), status);
        EXPECT_EQ(status, 0) << log;
        log = run("7zz t " + archive.string(), status);
        EXPECT_EQ(status, 0) << log;
        EXPECT_NE(log.find("Everything is Ok"), std::string::npos) << log;
        log = run("cd " + (dir / "out").string() + " && lhasa xfq " + archive.string(), status);
        EXPECT_EQ(status, 0) << log;
        for (const ArchiveMember &m : members)
            EXPECT_TRUE(read_file(dir / "out" / m.name) == m.original) << m.name;
    }

    fs::path dir;
};

ArchiveMember member(const std::string &name, char method, std::vector<uint8_t> data) {
    ArchiveMember m{name, method, std::move(data), {}};
    EXPECT_TRUE(lzh_encode(method, m.original.data(), m.original.size(), m.packed));
    return m;
}

TEST_F(Oracle, EveryMethodOnMixedData) {
    const std::vector<uint8_t> data =
        concat({text_like(600000, 61), random_bytes(40000, 62), record_like(300000, 63),
                std::vector<uint8_t>(70000, 0)});
    check({member("m4.bin", '4', data), member("m5.bin", '5', data), member("m6.bin", '6', data),
           member("m7.bin", '7', data)});
}

TEST_F(Oracle, SmallAndBoundaryMembers) {
    std::vector<ArchiveMember> members;
    for (char m : {'4', '5', '6', '7'}) {
        const std::string s(1, m);
        members.push_back(member("empty" + s, m, {}));
        members.push_back(member("one" + s, m, {0x5A}));
        members.push_back(member("zeros" + s, m, std::vector<uint8_t>(65537, 0)));
        members.push_back(member("text" + s, m, text_like(m == '4' ? 4097 : 32767, 64)));
    }
    check(members);
}

} // namespace

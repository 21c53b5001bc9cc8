// Output paths: separators, roots, joining, name cleaning under both naming rules, the
// refusals, the volume query and the directories created on the scratch drive.
#include "extract/paths.h"
#include "fixture.h"

#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

// Double-byte characters of code page 932 whose trail byte is a separator or reserved
// byte when taken alone: 0x955C and 0x835C end in a backslash, 0x837C in a vertical bar.
const std::string HYO = "\x95\x5C"; // 表
const std::string SO = "\x83\x5C";  // ソ
const std::string PO = "\x83\x7C";  // ポ
const char LEAD = '\x88';           // a lead byte without its trail byte

std::string unified(std::string text, char separator) {
    unify_separators(text.data(), separator);
    return text;
}

std::string root_of(const std::string &path) {
    std::vector<char> root(path.size() + 1, '#');
    path_root(root.data(), path.c_str());
    return root.data();
}

std::string with_separator(const std::string &path) {
    std::vector<char> buffer(path.size() + 2, '#');
    memcpy(buffer.data(), path.c_str(), path.size() + 1);
    append_separator(buffer.data());
    return buffer.data();
}

std::string joined(const std::string &destination, const std::string &member) {
    std::vector<char> output(destination.size() + member.size() + 2, '#');
    join_member_path(output.data(), destination.c_str(), member.c_str());
    return output.data();
}

std::string component(std::string text, int long_names) {
    sanitize_component(text.data(), long_names);
    return text.c_str();
}

std::string cleaned_path(std::string text, int long_names) {
    sanitize_path(text.data(), long_names);
    return text.c_str();
}

TEST(UnifySeparators, EverySeparatorByteBecomesTheSeparator) {
    EXPECT_EQ(unified("a\\b/c\xFF"
                      "d",
                      '/'),
              "a/b/c/d");
    EXPECT_EQ(unified("a/b\\c", '\\'), "a\\b\\c");
    EXPECT_EQ(unified("", '/'), "");
}

TEST(UnifySeparators, TrailBytesAreLeftAlone) {
    EXPECT_EQ(unified(HYO + "\\" + SO + "/x", '/'), HYO + "/" + SO + "/x");
    // 0xFF after a lead byte is its trail byte, not the archive's separator.
    EXPECT_EQ(unified("\x88\xFF\\", '/'), "\x88\xFF/");
    // A lead byte right before the terminator swallows nothing beyond it.
    EXPECT_EQ(unified(std::string("a\\") + LEAD, '/'), std::string("a/") + LEAD);
}

TEST(PathRoot, DriveAndServerRoots) {
    EXPECT_EQ(root_of("D:\\Data"), "D:\\");
    EXPECT_EQ(root_of("D:\\"), "D:\\");
    EXPECT_EQ(root_of("\\\\srv\\share\\x\\y"), "\\\\srv\\share");
    EXPECT_EQ(root_of("\\\\srv\\share"), "\\\\srv\\share") << "fewer than two: the whole path";
    EXPECT_EQ(root_of("\\\\srv"), "\\\\srv");
    // The server name's trail byte 0x5C is not the backslash that ends it.
    EXPECT_EQ(root_of("\\\\" + HYO + "\\s\\x"), "\\\\" + HYO + "\\s");
}

TEST(PathRoot, NoRootGivesAnEmptyString) {
    EXPECT_EQ(root_of("D:Data"), "");
    EXPECT_EQ(root_of("Data\\x"), "");
    EXPECT_EQ(root_of("\\Data"), "");
    EXPECT_EQ(root_of(""), "");
    EXPECT_EQ(root_of("D"), "");
}

TEST(AppendSeparator, OnlyWhenTheLastCharacterIsNotOne) {
    EXPECT_EQ(with_separator("D:\\Data"), "D:\\Data/");
    EXPECT_EQ(with_separator("D:\\"), "D:\\");
    EXPECT_EQ(with_separator("a/"), "a/");
    EXPECT_EQ(with_separator(""), "/");
    EXPECT_EQ(with_separator("D:\\" + HYO), "D:\\" + HYO + "/");
}

TEST(JoinMemberPath, RelativeAndAbsoluteMembers) {
    EXPECT_EQ(joined("D:\\Data", "a/b.txt"), "D:\\Data/a/b.txt");
    EXPECT_EQ(joined("D:\\", "a/b.txt"), "D:\\a/b.txt");
    EXPECT_EQ(joined("D:\\Data", "/etc/f"), "D:\\etc/f");
    EXPECT_EQ(joined("D:\\Data", "\\etc/f"), "D:\\etc/f");
    EXPECT_EQ(joined("\\\\srv\\share\\x", "/f"), "\\\\srv\\share/f");
    EXPECT_EQ(joined("D:\\Data", "//f"), "D:\\/f") << "only one byte is stepped over";
}

struct NameCase {
    const char *in;
    const char *out;
};

TEST(SanitizeComponent, ShortNameRules) {
    const NameCase cases[] = {
        {"readme", "readme"},
        {"longfilename.text", "longfile.tex"},
        {"archive.tar.gz", "archive_.gz"},
        {".profile", ".pro"},
        {"name.", "name."},
        {"a b+c", "a_b_c"},
        {"x,y;z=[1]", "x_y_z__1"},
        {".", "."},
        {"..", "_."},
        {"\x01\x1F\x20\x7F", "___\x7F"},
        {"\xB1\xDF\xFF", "\xB1\xDF_"}, // katakana stay, 0xFF does not
        {"", ""},
    };
    for (const NameCase &c : cases)
        EXPECT_EQ(component(c.in, 0), c.out) << c.in;
}

TEST(SanitizeComponent, ShortNamesCutOnlyBetweenCharacters) {
    EXPECT_EQ(component("abcdefg" + HYO, 0), "abcdefg");
    EXPECT_EQ(component("abcdef" + HYO + "x", 0), "abcdef" + HYO);
    EXPECT_EQ(component("n.ab" + SO, 0), "n.ab");
    EXPECT_EQ(component(HYO + PO + SO + "." + PO + "z", 0), HYO + PO + SO + "." + PO + "z");
}

TEST(SanitizeComponent, LongNameRules) {
    const NameCase cases[] = {
        {"a:b", "a_b"},
        {"a b", "a b"},
        {"\"*/:<>?\\|", "_________"},
        {"a.b.c,d;e=f+g[h]", "a.b.c,d;e=f+g[h]"},
        {"\x01\x1F\xFF", "\x01\x1F\xFF"},
        {"..", ".."},
    };
    for (const NameCase &c : cases)
        EXPECT_EQ(component(c.in, 1), c.out) << c.in;
    EXPECT_EQ(component(std::string(300, 'n'), 1), std::string(255, 'n'));
    EXPECT_EQ(component(std::string("name") + LEAD, 1), "name");
    EXPECT_EQ(component(std::string(254, 'n') + HYO, 1), std::string(254, 'n'));
}

TEST(SanitizeComponent, TrailBytesAreNeverReserved) {
    for (int long_names : {0, 1}) {
        EXPECT_EQ(component(HYO + SO + PO, long_names), HYO + SO + PO);
        EXPECT_EQ(component(SO + "|", long_names), SO + "_");
    }
}

TEST(SanitizeSpan, ReturnsTheNewTerminator) {
    char text[] = "abcdefghij";
    char *end = sanitize_span(text, 4, 1);
    EXPECT_EQ(end, text + 4);
    EXPECT_STREQ(text, "abcd");
    char dbcs[] = "ab\x95\x5C";
    end = sanitize_span(dbcs, 3, 0);
    EXPECT_EQ(end, dbcs + 2) << "the lead byte whose trail lies past the limit goes";
    char zero[] = "abc";
    EXPECT_EQ(sanitize_span(zero, 0, 1), zero);
    EXPECT_STREQ(zero, "");
}

TEST(SanitizePath, EveryComponentAndTheCloseUp) {
    EXPECT_EQ(cleaned_path("longfilename.text/another long/x.y.z", 0),
              "longfile.tex/another_/x_y.z");
    EXPECT_EQ(cleaned_path("/a:b//c?", 1), "/a_b//c_") << "leading '/' and empty components stay";
    EXPECT_EQ(cleaned_path("dir/", 0), "dir/");
    EXPECT_EQ(cleaned_path(std::string(300, 'a') + "/" + std::string(300, 'b'), 1),
              std::string(255, 'a') + "/" + std::string(255, 'b'));
    EXPECT_EQ(cleaned_path("", 1), "");
}

class OutputPathTest : public ProgramTest {
  protected:
    // The destination and the volume's component length, as a run's start sets them.
    void destination(const std::string &folder, DWORD max_component_length = 255) {
        lstrcpynA(state.destination_folder, folder.c_str(), DESTINATION_SIZE);
        standin::set_max_component_length(max_component_length);
        query_output_volume();
    }
    std::string output(const std::string &member) {
        lstrcpynA(state.member_path, member.c_str(), MEMBER_PATH_SIZE);
        EXPECT_EQ(build_output_path(), 1) << member;
        return state.output_path;
    }
    int refused(const std::string &member) {
        lstrcpynA(state.member_path, member.c_str(), MEMBER_PATH_SIZE);
        int result = build_output_path();
        return result == 0 && state.output_path[0] == 0;
    }
    bool is_directory(const std::string &windows_path) {
        struct stat st;
        return stat(host(windows_path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    std::vector<std::string> &requests() { return standin::directory_requests(); }
};

TEST_F(OutputPathTest, VolumeQuerySetsRootAndRules) {
    destination("C:\\Data");
    EXPECT_STREQ(state.output_root, "C:\\");
    EXPECT_EQ(state.max_component_length, 255u);
    EXPECT_EQ(state.long_names, 1);
    for (DWORD reported : {12u, 254u, 256u}) {
        destination("C:\\Data", reported);
        EXPECT_EQ(state.max_component_length, reported);
        EXPECT_EQ(state.long_names, 0) << reported;
    }
}

TEST_F(OutputPathTest, FailedVolumeQueryMeansLongNames) {
    standin::set_volume_query_fails(true);
    destination("C:\\Data", 12);
    EXPECT_EQ(state.max_component_length, 255u);
    EXPECT_EQ(state.long_names, 1);

    standin::set_volume_query_fails(false);
    destination("Q:\\Unmapped", 12);
    EXPECT_EQ(state.long_names, 1);
}

TEST_F(OutputPathTest, MemberUnderTheDestinationWithItsDirectories) {
    destination("C:\\Data");
    EXPECT_EQ(output("a/b.txt"), "C:\\Data/a/b.txt");
    create_parent_directories(state.output_path);
    EXPECT_EQ(requests(), (std::vector<std::string>{"C:\\Data", "C:\\Data/a"}));
    EXPECT_TRUE(is_directory("C:\\Data\\a"));
    EXPECT_FALSE(host_exists(host("C:\\Data\\a\\b.txt")));
}

// Folders asked for by the member before are not asked for again; a name that only
// begins like one of them is a folder of its own.
TEST_F(OutputPathTest, FoldersOfThePreviousMemberAreNotAskedForAgain) {
    destination("C:\\Data");
    using List = std::vector<std::string>;
    auto made_for = [&](const char *member) {
        requests().clear();
        create_parent_directories(output(member).c_str());
        return requests();
    };
    EXPECT_EQ(made_for("a/b/x"), (List{"C:\\Data", "C:\\Data/a", "C:\\Data/a/b"}));
    EXPECT_EQ(made_for("a/b/y"), List{});
    EXPECT_EQ(made_for("a/bb/z"), List{"C:\\Data/a/bb"});
    EXPECT_EQ(made_for("a/b"), List{});
    EXPECT_EQ(made_for("a/b/c/"), (List{"C:\\Data/a/b", "C:\\Data/a/b/c"}));
    EXPECT_TRUE(is_directory("C:\\Data\\a\\b\\c"));
}

TEST_F(OutputPathTest, DestinationThatIsARoot) {
    destination("C:\\");
    EXPECT_EQ(output("a/b.txt"), "C:\\a/b.txt");
    create_parent_directories(state.output_path);
    EXPECT_EQ(requests(), (std::vector<std::string>{"C:\\a"}));
    EXPECT_TRUE(is_directory("C:\\a"));
}

TEST_F(OutputPathTest, DestinationComponentsFollowTheVolumeRules) {
    destination("C:\\Program Files\\Tool", 255);
    EXPECT_EQ(output("readme.txt"), "C:\\Program Files/Tool/readme.txt");

    destination("C:\\Program Files\\Tool", 12);
    EXPECT_EQ(output("readme.text"), "C:\\Program_/Tool/readme.tex");
    create_parent_directories(state.output_path);
    EXPECT_TRUE(is_directory("C:\\Program_\\Tool"));
    EXPECT_FALSE(host_exists(host("C:\\Program Files")));
}

TEST_F(OutputPathTest, ServerDestination) {
    destination("\\\\srv\\share\\x");
    EXPECT_STREQ(state.output_root, "\\\\srv\\share");
    EXPECT_EQ(output("f"), "\\\\srv\\share/x/f");
    create_parent_directories(state.output_path);
    EXPECT_EQ(requests(), (std::vector<std::string>{"\\\\srv\\share", "\\\\srv\\share/x"}));
}

// One leading separator is the destination drive's root; two begin a server path.
TEST_F(OutputPathTest, AbsoluteMemberGoesUnderTheRoot) {
    destination("C:\\Data");
    EXPECT_EQ(output("/etc/f"), "C:\\etc/f");
    for (const char *server : {"//tmp/x.txt", "\\\\.\\C:/x", "/\\?\\C:\\x", "//"})
        EXPECT_TRUE(refused(server)) << server;
    destination("\\\\srv\\share\\x");
    EXPECT_EQ(output("/etc/f"), "\\\\srv\\share/etc/f");
}

TEST_F(OutputPathTest, EverySeparatorOfTheMemberBecomesSlash) {
    destination("C:\\Data");
    EXPECT_EQ(output("a\\b.txt"), "C:\\Data/a/b.txt");
    EXPECT_EQ(output("a\xFF"
                     "b.txt"),
              "C:\\Data/a/b.txt");
}

TEST_F(OutputPathTest, DoubleByteNamesKeepTheirTrailBytes) {
    for (DWORD reported : {255u, 12u}) {
        destination("C:\\" + HYO, reported);
        EXPECT_EQ(output(SO + "/" + PO + ".t"), "C:\\" + HYO + "/" + SO + "/" + PO + ".t");
        create_parent_directories(state.output_path);
        EXPECT_TRUE(is_directory("C:\\" + HYO + "\\" + SO));
    }
}

TEST_F(OutputPathTest, DirectoryMemberCreatesItself) {
    destination("C:\\Data", 12);
    EXPECT_EQ(output("docs/deep/"), "C:\\Data/docs/deep/");
    create_parent_directories(state.output_path);
    EXPECT_TRUE(is_directory("C:\\Data\\docs\\deep"));
}

TEST_F(OutputPathTest, LongNameRulesAfterTheRoot) {
    destination("C:\\Data");
    EXPECT_EQ(output("a:b/c d/" + std::string(300, 'x')),
              "C:\\Data/a_b/c d/" + std::string(255, 'x'));
}

TEST_F(OutputPathTest, MembersThatClimbOutAreRefused) {
    destination("C:\\Data");
    for (const char *member :
         {"..", "../x", "a/../../x", "a/..", "a\\..\\x", "a\xFF..\xFFx", "/../x", "..\\"})
        EXPECT_TRUE(refused(member)) << member;
    // Read character by character these hold no "..": 0xF7 and 0x88 are lead bytes, and
    // "\xF7/" looks like one character. The output cuts at the '/' bytes and drops the
    // stranded lead bytes, which would leave C:\Data//../../x.
    EXPECT_TRUE(refused("\xF7/..\xF7/../x"));
    EXPECT_TRUE(refused("a/..\x88"));
    EXPECT_TRUE(requests().empty());
    destination("C:\\Data", 12);
    EXPECT_TRUE(refused("a/..")) << "refused whatever the volume";
}

TEST_F(OutputPathTest, DotsThatDoNotClimbAreKept) {
    destination("C:\\Data");
    EXPECT_EQ(output("..."), "C:\\Data/...");
    EXPECT_EQ(output("..a/b.."), "C:\\Data/..a/b..");
    EXPECT_EQ(output("./x"), "C:\\Data/./x");
    EXPECT_EQ(output(HYO + "../x"), "C:\\Data/" + HYO + "../x");
    destination("C:\\a\\..\\Data");
    EXPECT_EQ(output("f"), "C:\\a/../Data/f") << "the destination is the user's own";
}

TEST_F(OutputPathTest, JoinedPathMustFitTheBuffer) {
    // 255 bytes of destination, the separator and the member; the terminator makes 516.
    std::string folder = "C:\\" + std::string(252, 'd');
    destination(folder);
    // Components of at most 255 bytes, so the long-name rules cut nothing.
    std::string fits = std::string(129, 'm') + "/" + std::string(129, 'm');
    EXPECT_EQ(output(fits), folder + "/" + fits);
    EXPECT_EQ(strlen(state.output_path), (size_t)OUTPUT_PATH_SIZE - 1);
    EXPECT_TRUE(refused(fits + "m"));
    EXPECT_TRUE(refused(std::string(200, 'm') + "/" + std::string(70, 'm')));

    // A destination ending in its separator adds none, so one more byte fits.
    destination(folder.substr(0, 254) + "\\");
    EXPECT_EQ(strlen(state.destination_folder), 255u);
    EXPECT_EQ(output(fits + "m").size(), (size_t)OUTPUT_PATH_SIZE - 1);

    // An absolute member joins the root only.
    destination(folder);
    EXPECT_EQ(output("/" + std::string(270, 'r')), "C:\\" + std::string(255, 'r'));
}

TEST_F(OutputPathTest, EveryPrefixBeforeASlashIsTried) {
    create_parent_directories("/a//b");
    EXPECT_EQ(requests(), (std::vector<std::string>{"", "/a", "/a/"}));
    requests().clear();
    create_parent_directories("no slash");
    EXPECT_TRUE(requests().empty());
    // Only the bytes of an output path fit the routine's own copy; a '/' beyond is not seen.
    create_parent_directories((std::string(520, 'x') + "/y").c_str());
    EXPECT_TRUE(requests().empty());
}

TEST_F(OutputPathTest, FailedDirectoriesArePassedOver) {
    destination("C:\\Data");
    write_host_file(scratch + "/Data", "a file where a directory should be");
    EXPECT_EQ(output("a/b/c"), "C:\\Data/a/b/c");
    create_parent_directories(state.output_path);
    EXPECT_EQ(requests(), (std::vector<std::string>{"C:\\Data", "C:\\Data/a", "C:\\Data/a/b"}));
    EXPECT_FALSE(is_directory("C:\\Data\\a"));
}

} // namespace

// The legacy decoders against lhasa: the members of the shared sample of archives written
// by other archivers, streams the jLHA library writes in each method it knows, and -pm2-
// streams written here. Damaged data must be reported without writing more than the
// member's size.
#include "legacy_decode.h"
#include "lzh_members.h"
#include "tests/support/crc16.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes read_file(const fs::path &path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

void write_file(const fs::path &path, const Bytes &bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), static_cast<long>(bytes.size()));
}

std::string quoted(const fs::path &path) {
    return "'" + path.string() + "'";
}

// Standard output of a command; `ok` tells whether it exited with 0.
Bytes run(const std::string &command, bool &ok) {
    Bytes output;
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        ok = false;
        return output;
    }
    std::uint8_t buffer[65536];
    std::size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output.insert(output.end(), buffer, buffer + got);
    ok = pclose(pipe) == 0;
    return output;
}

struct Expansion {
    std::string damage;
    Bytes bytes;
};

Expansion expand(const LzhMember &member) {
    Expansion result;
    result.damage = legacy::expand(member.method, member.packed, member.original_size,
                                   [&](const std::uint8_t *data, std::size_t size) {
                                       result.bytes.insert(result.bytes.end(), data, data + size);
                                   });
    return result;
}

bool lhasa_reads(const fs::path &archive) {
    return std::system(("lhasa tq " + quoted(archive) + " >/dev/null 2>&1").c_str()) == 0;
}

bool is_folder(const LzhMember &member) {
    return member.method == "-lhd-";
}

const fs::path sample_folder = KOLVANE_PEER_ARCHIVES;

// Every sample archive whose members all use the legacy methods: the concatenation of our
// expansions equals what lhasa prints for the archive. This lhasa does not know -lh2- and
// -lh3-; there each member's CRC is what vouches for it.
TEST(LegacySamples, MembersExpandAsLhasaDoes) {
    if (!fs::is_directory(sample_folder))
        GTEST_SKIP() << "SKIPPED LOUDLY: the sample archives are not at " << sample_folder;
    std::map<std::string, int> methods;
    for (const auto &entry : fs::directory_iterator(sample_folder)) {
        Bytes archive = read_file(entry.path());
        std::vector<LzhMember> members;
        if (!read_members(archive, members))
            continue;
        bool legacy_only = !members.empty();
        for (const LzhMember &member : members)
            legacy_only = legacy_only && (is_folder(member) || legacy::supported(member.method));
        if (!legacy_only)
            continue;
        Bytes ours;
        for (const LzhMember &member : members) {
            if (is_folder(member))
                continue;
            Expansion expansion = expand(member);
            EXPECT_EQ(expansion.damage, "") << entry.path() << " " << member.method;
            EXPECT_EQ(bitwise_crc16(expansion.bytes), member.crc)
                << entry.path() << " " << member.method;
            ours.insert(ours.end(), expansion.bytes.begin(), expansion.bytes.end());
            ++methods[member.method];
        }
        if (!lhasa_reads(entry.path())) {
            std::printf("lhasa cannot read %s: checked by CRC only\n", entry.path().c_str());
            continue;
        }
        bool ok;
        Bytes theirs = run("lhasa pq " + quoted(entry.path()), ok);
        EXPECT_TRUE(ours == theirs) << entry.path() << " expands differently from lhasa's";
    }
    std::string seen;
    for (const auto &[method, count] : methods)
        seen += " " + method + "x" + std::to_string(count);
    std::printf("sample members compared:%s\n", seen.c_str());
    EXPECT_FALSE(methods.empty());
}

// Members of the methods no generated stream covers, cut short: damage, and what was written
// is the start of the member's data.
TEST(LegacySamples, CutMembersAreDamage) {
    if (!fs::is_directory(sample_folder))
        GTEST_SKIP() << "SKIPPED LOUDLY: the sample archives are not at " << sample_folder;
    int checked = 0;
    for (const auto &entry : fs::directory_iterator(sample_folder)) {
        Bytes archive = read_file(entry.path());
        std::vector<LzhMember> members;
        if (!read_members(archive, members))
            continue;
        for (const LzhMember &member : members) {
            if (member.method != "-pm1-" && member.method != "-pm2-")
                continue;
            Bytes whole = expand(member).bytes;
            std::size_t size = member.packed.size();
            for (std::size_t cut : {std::size_t{0}, size / 4, size / 2}) {
                LzhMember damaged = member;
                damaged.packed = member.packed.first(cut);
                Expansion expansion = expand(damaged);
                EXPECT_NE(expansion.damage, "") << entry.path() << " cut at " << cut;
                ASSERT_LE(expansion.bytes.size(), member.original_size);
                EXPECT_TRUE(
                    std::equal(expansion.bytes.begin(), expansion.bytes.end(), whole.begin()))
                    << entry.path() << " cut at " << cut;
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 0);
}

// Bits, most significant first.
struct BitWriter {
    Bytes bytes;
    unsigned used = 0;
    void put(unsigned value, unsigned width) {
        for (unsigned i = width; i-- > 0; ++used) {
            if (used % 8 == 0)
                bytes.push_back(0);
            bytes.back() |= static_cast<std::uint8_t>(((value >> i) & 1) << (7 - used % 8));
        }
    }
};

// A level-0 archive of one member named "w", for lhasa.
Bytes one_member_archive(const char *method, const Bytes &packed, std::uint32_t size) {
    Bytes body(method, method + 5);
    for (std::uint32_t field : {static_cast<std::uint32_t>(packed.size()), size, 0u})
        for (int shift = 0; shift < 32; shift += 8)
            body.push_back(static_cast<std::uint8_t>(field >> shift));
    body.insert(body.end(), {0x20, 0, 1, 'w', 0, 0});
    std::uint8_t sum = 0;
    for (std::uint8_t byte : body)
        sum = static_cast<std::uint8_t>(sum + byte);
    Bytes archive{static_cast<std::uint8_t>(body.size()), sum};
    archive.insert(archive.end(), body.begin(), body.end());
    archive.insert(archive.end(), packed.begin(), packed.end());
    archive.push_back(0);
    return archive;
}

// The windows -lzs-, -lz5- and -lh1- start with. -lzs- and -lz5-: a first match reads where
// writing starts, then matches read every slice of the window before it is written over.
// -lh1-: one 60-byte match from 100 bytes back (code 11000101 in the starting tree, then the
// position's high bits 0010 and low bits 100011). lhasa must print the same.
TEST(LegacyCrafted, WindowsStartAsLhasaSays) {
    std::vector<std::pair<const char *, Bytes>> streams{{"-lh1-", {0xc5, 0x28, 0xc0}}};
    BitWriter lzs;
    lzs.put(0, 1), lzs.put(2048 - 17, 11), lzs.put(15, 4);
    for (unsigned from = 0; from < 2048; from += 17)
        lzs.put(0, 1), lzs.put(from, 11), lzs.put(15, 4);
    streams.emplace_back("-lzs-", lzs.bytes);
    Bytes lz5;
    std::vector<unsigned> starts{4096 - 18};
    for (unsigned from = 0; from < 4096; from += 18)
        starts.push_back(from);
    for (std::size_t i = 0; i < starts.size(); ++i) {
        if (i % 8 == 0)
            lz5.push_back(0);
        lz5.insert(lz5.end(), {static_cast<std::uint8_t>(starts[i]),
                               static_cast<std::uint8_t>((starts[i] >> 4 & 0xf0) | 15)});
    }
    streams.emplace_back("-lz5-", lz5);
    fs::path file = fs::temp_directory_path() / ("legacy-window-" + std::to_string(getpid()));
    for (const auto &[method, packed] : streams) {
        std::string_view name = method;
        std::uint32_t size = name == "-lzs-" ? 17 * 122 : name == "-lz5-" ? 18 * 229 : 60;
        Bytes ours;
        EXPECT_EQ(legacy::expand(method, packed, size,
                                 [&](const std::uint8_t *data, std::size_t count) {
                                     ours.insert(ours.end(), data, data + count);
                                 }),
                  "");
        write_file(file, one_member_archive(method, packed, size));
        bool ok;
        EXPECT_TRUE(run("lhasa pq " + quoted(file) + " 2>/dev/null", ok) == ours) << method;
    }
    fs::remove(file);
}

// Canonical codes (code, length) for code lengths.
std::vector<std::pair<unsigned, unsigned>> canonical(const std::vector<unsigned> &lengths) {
    std::vector<std::pair<unsigned, unsigned>> codes(lengths.size());
    unsigned code = 0;
    for (unsigned length = 1; length <= 16; ++length, code <<= 1)
        for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol)
            if (lengths[symbol] == length)
                codes[symbol] = {code++, length};
    return codes;
}

// A -pm2- stream of random literals and copies of every kind, with the code changes at 1, 2
// and 4 KiB and (sometimes) every 4 KiB after; `size` gets the length of its output. The
// symbol code has 29 symbols (0-2 of four bits, the rest of five).
Bytes pm2_stream(std::mt19937 &random, std::uint32_t &size) {
    std::vector<unsigned> symbol_lengths(29, 5);
    std::fill_n(symbol_lengths.begin(), 3, 4);
    auto symbol_codes = canonical(symbol_lengths);
    // Distance codes of n entries: the first 8 - n of two bits, the rest of three.
    auto offset_lengths = [](unsigned entries) {
        std::vector<unsigned> lengths(entries, 3);
        std::fill_n(lengths.begin(), 8 - entries, 2);
        return lengths;
    };
    BitWriter out;
    auto symbols = [&] {
        out.put(29, 5), out.put(4, 3), out.put(2, 3);
        for (unsigned length : symbol_lengths)
            out.put(length - 3, 2);
    };
    auto offsets = [&](unsigned entries) {
        for (unsigned length : offset_lengths(entries))
            out.put(length, 3);
    };
    out.put(0, 1), symbols(), offsets(5);
    const unsigned rank_bits[] = {3, 3, 4, 5, 5, 5, 6, 6};
    const unsigned long_bases[] = {17, 25, 33, 65, 129, 256}, long_bits[] = {3, 3, 5, 6, 7, 0};
    size = 0;
    while (size < 30000 || size % 1024 == 0) {
        unsigned symbol = random() % 29, length = 1;
        out.put(symbol_codes[symbol].first, symbol_codes[symbol].second);
        if (symbol < 8) {
            out.put(random(), rank_bits[symbol]);
        } else if (unsigned copy = symbol - 8; copy < 20) {
            length = copy + 2;
            if (copy >= 15) {
                unsigned extra = random() & ((1u << long_bits[copy - 15]) - 1);
                out.put(extra, long_bits[copy - 15]);
                length = long_bases[copy - 15] + extra;
            }
            unsigned entries = size < 1024 ? 5 : size < 2048 ? 6 : size < 4096 ? 7 : 8;
            unsigned width = copy == 0 ? 0 : random() % entries;
            if (copy != 0) {
                auto code = canonical(offset_lengths(entries))[width];
                out.put(code.first, code.second);
            }
            out.put(random(), width == 0 ? 6 : width + 5);
        } else {
            length = 256;
        }
        unsigned before = size;
        size += length;
        unsigned at = size / 1024 * 1024;
        if (at <= before || (at > 2048 && at % 4096 != 0))
            continue;
        if (at < 4096) {
            offsets(at == 1024 ? 6 : 7);
            continue;
        }
        bool fresh = random() % 2;
        out.put(fresh, 1);
        if (fresh)
            symbols();
        if (fresh || at == 4096)
            offsets(8);
    }
    return out.bytes;
}

// Generated -pm2- streams expand as lhasa expands them; cut short, they are damage and what
// was written is the start of the data.
TEST(LegacyCrafted, Pm2StreamsExpandAsLhasaDoes) {
    std::mt19937 random(95);
    fs::path file = fs::temp_directory_path() / ("legacy-pm2-" + std::to_string(getpid()));
    for (int round = 0; round < 4; ++round) {
        std::uint32_t size;
        Bytes packed = pm2_stream(random, size);
        LzhMember member{"-pm2-", size, 0, packed};
        Expansion ours = expand(member);
        EXPECT_EQ(ours.damage, "");
        write_file(file, one_member_archive("-pm2-", packed, size));
        bool ok;
        EXPECT_TRUE(run("lhasa pq " + quoted(file) + " 2>/dev/null", ok) == ours.bytes)
            << "round " << round;
        for (std::size_t cut : {std::size_t{0}, packed.size() / 4, packed.size() / 2}) {
            member.packed = std::span(packed).first(cut);
            Expansion damaged = expand(member);
            EXPECT_NE(damaged.damage, "") << "cut at " << cut;
            ASSERT_LE(damaged.bytes.size(), size);
            EXPECT_TRUE(std::equal(damaged.bytes.begin(), damaged.bytes.end(), ours.bytes.begin()));
        }
    }
    fs::remove(file);
}

// Compressible data of several kinds: words from a small vocabulary (long enough for every
// adaptive code, the -lh2- position code too, to rescale its counts), and bytes of a skewed
// distribution mixed with long runs and repeats from up to 8 KiB back (the longest matches
// and farthest positions).
// Each starts with 96 bytes that hold no match: jLHA counts the first -lh2- position symbol
// while it is the only one, which other -lh2- writers do not, so no position may come before
// the second symbol exists.
std::vector<Bytes> generated_data() {
    std::mt19937 random(95);
    Bytes unmatched;
    for (unsigned i = 0; i < 96; ++i)
        unmatched.push_back(static_cast<std::uint8_t>(i * 7));
    Bytes words = unmatched;
    const char *vocabulary[] = {"window ", "archive ", "member ", "header ", "the ",    "of ",
                                "data\n",  "Kolvane ", "method ", "a ",      "folder ", "95 "};
    while (words.size() < 700000) {
        const char *word = vocabulary[random() % 12];
        words.insert(words.end(), word, word + std::char_traits<char>::length(word));
        if (random() % 50 == 0)
            words.push_back(static_cast<std::uint8_t>(random()));
    }
    Bytes mixed = unmatched;
    while (mixed.size() < 150000) {
        switch (random() % 4) {
        case 0:
            mixed.insert(mixed.end(), 1 + random() % 400, static_cast<std::uint8_t>(random()));
            break;
        case 1:
            if (mixed.size() > 8192) {
                std::size_t from = mixed.size() - 1 - random() % 8192;
                for (unsigned length = 3 + random() % 300; length > 0; --length)
                    mixed.push_back(mixed[from++]);
            }
            break;
        default:
            for (unsigned length = random() % 40; length > 0; --length)
                mixed.push_back(static_cast<std::uint8_t>(random() % 7 * random() % 256));
        }
    }
    return {words, mixed, Bytes{'x'}};
}

// Members jLHA writes in each legacy method it can write, with the data they hold.
struct Generated {
    LzhMember member;
    Bytes original;
};

class LegacyGenerated : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const char *jar = "/usr/share/java/jlha.jar";
        // The source launcher needs the JDK's compiler, not only a runtime.
        if (!fs::exists(jar) || std::system("command -v javac >/dev/null 2>&1") != 0) {
            skip_reason = "SKIPPED LOUDLY: the JDK or the jLHA library is not installed";
            return;
        }
        fs::path folder = fs::temp_directory_path() / ("legacy-test-" + std::to_string(getpid()));
        fs::create_directories(folder);
        originals = generated_data();
        std::string files;
        for (std::size_t i = 0; i < originals.size(); ++i) {
            write_file(folder / ("data" + std::to_string(i)), originals[i]);
            files += " " + quoted(folder / ("data" + std::to_string(i)));
        }
        for (const char *method : {"-lh1-", "-lh2-", "-lh3-", "-lzs-", "-lz5-"}) {
            fs::path archive = folder / (std::string(method) + ".lzh");
            bool ok;
            run(std::string("java -cp ") + jar +
                    " " KOLVANE_SOURCE "/tests/legacy/WriteArchive.java " + quoted(archive) + " " +
                    method + " 0" + files + " >&2",
                ok);
            ASSERT_TRUE(ok) << "jLHA could not write " << method;
            if (lhasa_reads(archive)) {
                Bytes all;
                for (const Bytes &original : originals)
                    all.insert(all.end(), original.begin(), original.end());
                ASSERT_TRUE(run("lhasa pq " + quoted(archive), ok) == all)
                    << "lhasa and jLHA disagree on " << method;
            } else {
                std::printf("lhasa cannot read %s: jLHA's data alone is the reference\n", method);
            }
            archives.push_back(read_file(archive));
        }
        fs::remove_all(folder);
        for (const Bytes &archive : archives) {
            std::vector<LzhMember> members;
            ASSERT_TRUE(read_members(archive, members));
            ASSERT_EQ(members.size(), originals.size());
            for (std::size_t i = 0; i < members.size(); ++i)
                generated.push_back({members[i], originals[i]});
        }
    }
    void SetUp() override {
        if (!skip_reason.empty())
            GTEST_SKIP() << skip_reason;
    }
    static inline std::string skip_reason;
    static inline std::vector<Bytes> originals;
    static inline std::vector<Bytes> archives;
    static inline std::vector<Generated> generated;
};

TEST_F(LegacyGenerated, StreamsExpandToTheirData) {
    std::map<std::string, int> methods;
    for (const Generated &item : generated) {
        if (item.member.method == "-lh0-")
            continue; // jLHA stores what it cannot shrink
        Expansion expansion = expand(item.member);
        EXPECT_EQ(expansion.damage, "") << item.member.method;
        EXPECT_TRUE(expansion.bytes == item.original)
            << item.member.method << " member of " << item.original.size() << " bytes";
        ++methods[item.member.method];
    }
    EXPECT_EQ(methods.size(), 5u);
}

// Cut-off data, and sizes larger than the data holds, are damage; the output never exceeds
// the member's size and what was written is the start of the data.
TEST_F(LegacyGenerated, DamageIsReportedWithinTheSize) {
    for (const Generated &item : generated) {
        if (item.member.method == "-lh0-" || item.original.size() < 100)
            continue;
        std::span<const std::uint8_t> whole = item.member.packed;
        for (std::size_t cut : {std::size_t{0}, whole.size() / 2, whole.size() - 1}) {
            LzhMember damaged = item.member;
            damaged.packed = whole.first(cut);
            Expansion expansion = expand(damaged);
            EXPECT_NE(expansion.damage, "") << item.member.method << " cut at " << cut;
            ASSERT_LE(expansion.bytes.size(), item.original.size());
            EXPECT_TRUE(
                std::equal(expansion.bytes.begin(), expansion.bytes.end(), item.original.begin()))
                << item.member.method << " cut at " << cut;
        }
        LzhMember longer = item.member;
        longer.original_size += 100000;
        Expansion expansion = expand(longer);
        EXPECT_NE(expansion.damage, "") << item.member.method << " with a larger size";
        EXPECT_LE(expansion.bytes.size(), longer.original_size);
    }
}

} // namespace

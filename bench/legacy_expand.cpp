// Expands every member of the older methods in LZH archives through the builder's legacy
// decoders, checking each CRC against its header. Prints the bytes expanded; the exit code
// is 0 when every member expanded whole with the right CRC. Used by bench/legacy-bench.sh.
#include "legacy_decode.h"
#include "lzh_members.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char **argv) {
    std::uint16_t table[256];
    for (unsigned i = 0; i < 256; ++i) {
        std::uint16_t crc = static_cast<std::uint16_t>(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xa001 : crc >> 1;
        table[i] = crc;
    }
    std::uint64_t total = 0;
    int bad = 0;
    for (int arg = 1; arg < argc; ++arg) {
        std::ifstream file(argv[arg], std::ios::binary);
        std::vector<std::uint8_t> archive(std::istreambuf_iterator<char>(file), {});
        std::vector<LzhMember> members;
        if (!read_members(archive, members)) {
            std::fprintf(stderr, "%s: unreadable headers\n", argv[arg]);
            ++bad;
        }
        for (const LzhMember &member : members) {
            if (!legacy::supported(member.method))
                continue;
            std::uint16_t crc = 0;
            std::string damage =
                legacy::expand(member.method, member.packed, member.original_size,
                               [&](const std::uint8_t *data, std::size_t size) {
                                   for (std::size_t i = 0; i < size; ++i)
                                       crc = static_cast<std::uint16_t>(
                                           (crc >> 8) ^ table[(crc ^ data[i]) & 0xff]);
                                   total += size;
                               });
            if (!damage.empty() || crc != member.crc) {
                std::fprintf(stderr, "%s %s: %s\n", argv[arg], member.method.c_str(),
                             damage.empty() ? "CRC mismatch" : damage.c_str());
                ++bad;
            }
        }
    }
    std::printf("%llu\n", static_cast<unsigned long long>(total));
    return bad == 0 ? 0 : 1;
}

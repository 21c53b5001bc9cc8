// Encodes each file named on the command line with one method, reports sizes and encoding
// speed, and writes all members into one level-2 archive for independent testing.
// Usage: encoder_bench METHOD ARCHIVE FILE...
#include "lzh_encoder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace {

void put16(std::vector<uint8_t> &v, unsigned x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}

void put32(std::vector<uint8_t> &v, uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

uint16_t crc16(const uint8_t *p, size_t n) {
    unsigned crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return uint16_t(crc);
}

// A level-2 header with a header-CRC and a file-name extended header (see the member header
// layout of the archive reader).
std::vector<uint8_t> member_header(char method, const std::string &name, uint32_t packed,
                                   uint32_t original, uint16_t data_crc) {
    std::vector<uint8_t> h;
    put16(h, unsigned(34 + name.size()));
    const char id[] = {'-', 'l', 'h', method, '-'};
    h.insert(h.end(), id, id + 5);
    put32(h, packed);
    put32(h, original);
    put32(h, 0x60000000u);
    h.push_back(0x20);
    h.push_back(2);
    put16(h, data_crc);
    h.push_back('M');
    put16(h, 5);
    h.push_back(0x00);
    put16(h, 0);
    put16(h, unsigned(3 + name.size()));
    h.push_back(0x01);
    h.insert(h.end(), name.begin(), name.end());
    put16(h, 0);
    const uint16_t crc = crc16(h.data(), h.size());
    h[27] = uint8_t(crc);
    h[28] = uint8_t(crc >> 8);
    return h;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s METHOD ARCHIVE FILE...\n", argv[0]);
        return 2;
    }
    const char method = argv[1][0];
    std::ofstream archive(argv[2], std::ios::binary);
    uint64_t total_in = 0, total_out = 0, total_stored = 0;
    double seconds = 0;     // wall time spent encoding
    double cpu_seconds = 0; // processor time of all threads spent encoding
    for (int i = 3; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary | std::ios::ate);
        std::vector<uint8_t> data(size_t(in.tellg()));
        in.seekg(0);
        in.read(reinterpret_cast<char *>(data.data()), std::streamsize(data.size()));
        std::vector<uint8_t> packed;
        packed.reserve(data.size() / 2);
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpu_start = std::clock();
        size_t taken = 0;
        const LzhEncodeResult result = lzh_encode_stream(
            method,
            [&](uint8_t *buf, size_t cap, size_t &got) {
                got = std::min(cap, data.size() - taken);
                if (got != 0)
                    std::memcpy(buf, data.data() + taken, got);
                taken += got;
                return true;
            },
            [&](const uint8_t *p, size_t n) {
                packed.insert(packed.end(), p, p + n);
                return true;
            });
        if (!result.ok) {
            std::fprintf(stderr, "encoding %s failed\n", argv[i]);
            return 1;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu_seconds += double(std::clock() - cpu_start) / CLOCKS_PER_SEC;
        // Members that do not shrink are stored, as an archiver would do.
        const bool store = packed.size() >= data.size();
        const std::vector<uint8_t> &body = store ? data : packed;
        std::string name = argv[i];
        name = name.substr(name.find_last_of('/') + 1);
        const std::vector<uint8_t> h = member_header(
            store ? '0' : method, name, uint32_t(body.size()), uint32_t(data.size()), result.crc);
        archive.write(reinterpret_cast<const char *>(h.data()), std::streamsize(h.size()));
        archive.write(reinterpret_cast<const char *>(body.data()), std::streamsize(body.size()));
        total_in += data.size();
        total_out += packed.size();
        total_stored += body.size();
    }
    archive.put(0);
    std::printf("files %d  original %llu  packed %llu  packed-or-stored %llu  encode wall %.3f s "
                "(%.2f MB/s)  encode cpu %.3f s\n",
                argc - 3, (unsigned long long)total_in, (unsigned long long)total_out,
                (unsigned long long)total_stored, seconds, total_in / seconds / 1e6, cpu_seconds);
    return 0;
}

#include "lzh_members.h"

namespace {

std::uint64_t little(std::span<const std::uint8_t> bytes, std::size_t at, unsigned count) {
    std::uint64_t value = 0;
    for (unsigned i = count; i-- > 0;)
        value = (value << 8) | bytes[at + i];
    return value;
}

// Walks a chain of extended headers starting with the size of the first; returns the bytes
// the chain takes, or -1 when it runs past the end.
long long chain_length(std::span<const std::uint8_t> bytes, std::size_t at) {
    std::size_t start = at;
    for (;;) {
        if (at + 2 > bytes.size())
            return -1;
        std::uint64_t next = little(bytes, at, 2);
        if (next == 0)
            return static_cast<long long>(at + 2 - start);
        at += next;
    }
}

} // namespace

bool read_members(std::span<const std::uint8_t> archive, std::vector<LzhMember> &members) {
    std::size_t at = 0;
    while (at < archive.size() && archive[at] != 0) {
        if (at + 24 > archive.size() || at + 24 + archive[at + 21] > archive.size())
            return false;
        LzhMember member;
        member.method.assign(reinterpret_cast<const char *>(&archive[at + 2]), 5);
        std::uint64_t packed = little(archive, at + 7, 4);
        member.original_size = little(archive, at + 11, 4);
        std::size_t data;
        switch (archive[at + 20]) {
        case 0:
            data = at + 2 + archive[at];
            member.crc = little(archive, at + 22 + archive[at + 21], 2);
            break;
        case 1: {
            member.crc = little(archive, at + 22 + archive[at + 21], 2);
            // The packed size counts the extended headers that follow the base header.
            std::size_t base = at + 2 + archive[at];
            long long chain = chain_length(archive, base - 2);
            if (chain < 0 || static_cast<std::uint64_t>(chain - 2) > packed)
                return false;
            data = base + chain - 2;
            packed -= chain - 2;
            break;
        }
        case 2:
            data = at + little(archive, at, 2);
            member.crc = little(archive, at + 21, 2);
            break;
        default:
            return false;
        }
        if (data > archive.size() || packed > archive.size() - data)
            return false;
        member.packed = archive.subspan(data, packed);
        members.push_back(member);
        at = data + packed;
    }
    return true;
}

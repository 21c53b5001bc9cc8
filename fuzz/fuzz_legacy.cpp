// Each decoder of the older LZH methods on any bytes. The first byte picks the method, the
// next three give the expected size (up to 1 MiB, so that one input stays well inside the
// hang limit), the rest is the packed data. Besides the sanitizers' own checks: nothing is
// written beyond the size, success means exactly the size was written, and damage is told
// in one line.
#include "legacy_decode.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void require(bool condition) {
    if (!condition)
        abort();
}

constexpr std::array<std::string_view, 9> methods{"-lh1-", "-lh2-", "-lh3-", "-lz4-", "-lz5-",
                                                  "-lzs-", "-pm0-", "-pm1-", "-pm2-"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 4)
        return 0;
    std::string_view method = methods[data[0] % methods.size()];
    std::uint64_t expected = (data[1] | data[2] << 8 | data[3] << 16) & 0xfffff;
    std::uint64_t written = 0;
    std::string damage = legacy::expand(method, {data + 4, size - 4}, expected,
                                        [&](const std::uint8_t *bytes, std::size_t count) {
                                            require(bytes != nullptr || count == 0);
                                            written += count;
                                            require(written <= expected);
                                        });
    if (!legacy::supported(method))
        require(!damage.empty());
    else if (damage.empty())
        require(written == expected);
    require(damage.find('\n') == std::string::npos);
    return 0;
}

#include "legacy_decode.h"

#include "methods.h"

#include <algorithm>
#include <array>

namespace legacy {
namespace {

std::string copy_stored(Packed packed, std::uint64_t size, const Sink &out) {
    constexpr std::size_t block = 64 * 1024;
    std::uint64_t available = std::min<std::uint64_t>(packed.size(), size);
    for (std::uint64_t at = 0; at < available; at += block)
        out(packed.data() + at,
            static_cast<std::size_t>(std::min<std::uint64_t>(block, available - at)));
    return available < size ? ended_early(available, size) : "";
}

using Expander = std::string (*)(Packed, std::uint64_t, const Sink &);

struct Method {
    std::string_view name;
    Expander expand;
};

constexpr std::array methods{
    Method{"-lz4-", copy_stored}, Method{"-pm0-", copy_stored}, Method{"-lzs-", expand_lzs},
    Method{"-lz5-", expand_lz5},  Method{"-lh1-", expand_lh1},  Method{"-lh2-", expand_lh2},
    Method{"-lh3-", expand_lh3},  Method{"-pm1-", expand_pm1},  Method{"-pm2-", expand_pm2},
};

const Method *find(std::string_view name) {
    for (const Method &method : methods)
        if (method.name == name)
            return &method;
    return nullptr;
}

} // namespace

std::string ended_early(std::uint64_t written, std::uint64_t size) {
    return "the compressed data ends after " + std::to_string(written) + " of " +
           std::to_string(size) + " bytes";
}

std::string finish(History &history, const BitInput &in, const std::string &damage) {
    history.flush();
    if (!damage.empty())
        return damage + " after " + std::to_string(history.written()) + " bytes";
    if (in.overrun() || !history.done())
        return ended_early(history.written(), history.expected());
    return "";
}

bool supported(std::string_view method) {
    return find(method) != nullptr;
}

std::string expand(std::string_view method, std::span<const std::uint8_t> packed,
                   std::uint64_t original_size,
                   const std::function<void(const std::uint8_t *, std::size_t)> &out) {
    const Method *found = find(method);
    if (found == nullptr)
        return "the method " + std::string(method) + " is not one these decoders know";
    return found->expand(packed, original_size, out);
}

} // namespace legacy

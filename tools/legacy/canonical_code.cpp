#include "canonical_code.h"

namespace legacy {

bool CanonicalCode::build(std::span<const std::uint8_t> lengths) {
    only_ = -1;
    count_.fill(0);
    for (std::uint8_t length : lengths) {
        if (length > max_length)
            return false;
        ++count_[length];
    }
    count_[0] = 0;
    long long space = 1;
    for (unsigned length = 1; length <= max_length; ++length) {
        space = space * 2 - count_[length];
        if (space < 0)
            return false;
    }
    sorted_.clear();
    for (unsigned length = 1; length <= max_length; ++length)
        for (std::size_t symbol = 0; symbol < lengths.size(); ++symbol)
            if (lengths[symbol] == length)
                sorted_.push_back(static_cast<std::uint16_t>(symbol));
    return true;
}

void CanonicalCode::single(unsigned symbol) {
    only_ = static_cast<int>(symbol);
}

// Walks the lengths one bit at a time: `code` is the bits read so far, `first` the first code
// of the current length, `index` where that length's symbols start in sorted_.
int CanonicalCode::decode(BitInput &in) const {
    if (only_ >= 0)
        return only_;
    unsigned code = 0, first = 0, index = 0;
    for (unsigned length = 1; length <= max_length; ++length) {
        code |= in.bit();
        if (code - first < count_[length])
            return sorted_[index + code - first];
        index += count_[length];
        first = (first + count_[length]) << 1;
        code <<= 1;
    }
    return -1;
}

} // namespace legacy

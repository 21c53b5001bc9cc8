#include "history.h"

namespace legacy {

History::History(unsigned bits, std::uint8_t fill, std::uint64_t expected, const Sink &sink,
                 unsigned start)
    : ring_(std::size_t{1} << bits, fill), mask_((1u << bits) - 1), pos_(start & mask_),
      pending_from_(pos_), expected_(expected), sink_(sink) {}

void History::put(std::uint8_t byte) {
    if (written_ >= expected_)
        return;
    ring_[pos_] = byte;
    pos_ = (pos_ + 1) & mask_;
    ++written_;
    if (pos_ == 0) {
        sink_(ring_.data() + pending_from_, ring_.size() - pending_from_);
        pending_from_ = 0;
    }
}

void History::copy_from(unsigned from, unsigned length) {
    for (unsigned i = 0; i < length && written_ < expected_; ++i)
        put(ring_[(from + i) & mask_]);
}

void History::flush() {
    if (pos_ > pending_from_)
        sink_(ring_.data() + pending_from_, pos_ - pending_from_);
    pending_from_ = pos_;
}

} // namespace legacy

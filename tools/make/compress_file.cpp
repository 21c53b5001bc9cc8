#include "compress_file.h"
#include "input_file.h"

#include "lzh_encoder.h"

#include <system_error>

namespace {

constexpr uint64_t FOUR_GIB = uint64_t(1) << 32;

// Thrown by a worker's sink to cut short a compression nobody will collect.
struct Abandoned {};

} // namespace

bool compress_file(const Member &member, char method, const CompressedSink &sink, MemberData &data,
                   unsigned threads) {
    Input input(member.disk_path, member.shown);
    uint64_t written = 0;
    bool no_gain = false;
    std::exception_ptr failure;
    auto read = [&](uint8_t *buffer, size_t capacity, size_t &got) {
        try {
            got = input.read(buffer, capacity);
            return true;
        } catch (...) {
            failure = std::current_exception();
            return false;
        }
    };
    auto write = [&](const uint8_t *bytes, size_t size) {
        if (written + size >= member.size) {
            no_gain = true;
            return false;
        }
        try {
            sink(bytes, size);
            written += size;
            return true;
        } catch (...) {
            failure = std::current_exception();
            return false;
        }
    };
    LzhEncodeResult result = lzh_encode_stream(method, read, write, threads, member.size);
    if (failure)
        std::rethrow_exception(failure);
    if (!result.ok || no_gain || result.original_size >= FOUR_GIB ||
        result.compressed_size >= result.original_size)
        return false;
    data.method = method;
    data.compressed_size = (uint32_t)result.compressed_size;
    data.original_size = (uint32_t)result.original_size;
    data.crc = result.crc;
    return true;
}

PackAhead::PackAhead(const std::vector<Member> &members, char method, PackLimits limits,
                     CopiedWork copied)
    : members_(members), method_(method), copied_(std::move(copied)), ahead_(limits.ahead),
      jobs_(members.size()) {
    if (limits.workers < 2)
        return;
    for (size_t i = 0; i < members.size(); ++i) {
        const Member &member = members[i];
        bool file = member.source == MemberSource::File && method != '0';
        bool copied = member.source == MemberSource::Copied && copied_;
        jobs_[i].taken = (file || copied) && member.size > 0 && member.size <= limits.largest;
    }
    while (next_ < jobs_.size() && !jobs_[next_].taken)
        ++next_;
    // A system that refuses more threads gets the work done by those it gave; with none,
    // the writer compresses every file itself.
    try {
        for (unsigned i = 0; i < limits.workers; ++i)
            workers_.emplace_back([this] { work(); });
    } catch (const std::system_error &) {
        if (workers_.empty())
            for (Job &job : jobs_)
                job.taken = false;
    }
}

PackAhead::~PackAhead() {
    {
        std::lock_guard hold(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread &worker : workers_)
        worker.join();
}

uint64_t PackAhead::weight(size_t index) const {
    const Member &member = members_[index];
    return member.source == MemberSource::Copied && !member.repack ? 0 : member.size;
}

// The writer hands results over in member order, so when it waits for a job that has not
// started, every earlier job is handed over, nothing is in flight, and the job can start:
// the budget never blocks the job being waited for.
void PackAhead::work() {
    std::unique_lock hold(lock_);
    for (;;) {
        changed_.wait(hold, [this] {
            return stopping_ || next_ == jobs_.size() || in_flight_ == 0 ||
                   in_flight_ + weight(next_) <= ahead_;
        });
        if (stopping_ || next_ == jobs_.size())
            return;
        const size_t index = next_++;
        while (next_ < jobs_.size() && !jobs_[next_].taken)
            ++next_;
        in_flight_ += weight(index);
        hold.unlock();

        Result result;
        std::exception_ptr failure;
        try {
            auto keep = [&](const uint8_t *bytes, size_t size) {
                if (stopping_)
                    throw Abandoned{};
                result.bytes.insert(result.bytes.end(), bytes, bytes + size);
            };
            // The workers keep the processors busy already: one thread each.
            if (members_[index].source == MemberSource::Copied)
                result = copied_(members_[index]);
            else
                result.packed = compress_file(members_[index], method_, keep, result.data, 1);
        } catch (...) {
            failure = std::current_exception();
        }

        hold.lock();
        jobs_[index].result = std::move(result);
        jobs_[index].failure = failure;
        jobs_[index].done = true;
        changed_.notify_all();
    }
}

PackAhead::Result PackAhead::result(size_t index) {
    std::unique_lock hold(lock_);
    changed_.wait(hold, [&] { return jobs_[index].done; });
    in_flight_ -= weight(index);
    changed_.notify_all();
    if (jobs_[index].failure)
        std::rethrow_exception(jobs_[index].failure);
    return std::move(jobs_[index].result);
}

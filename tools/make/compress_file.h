// Compression of one file of the folder, and of many at once ahead of the archive writer.
#pragma once

#include "level2_header.h"
#include "member.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Takes the next bytes of compressed data; throws to give up.
using CompressedSink = std::function<void(const uint8_t *bytes, size_t size)>;

// Compresses the file with method ('4' to '7') and hands the data to sink as it is made.
// Returns false when the data would not be smaller than the file's scanned size (it stops
// as soon as that is known) or the file has grown to 4 GiB: the caller stores it instead.
// Read errors and whatever sink throws go to the caller. threads: as lzh_encode_stream.
bool compress_file(const Member &member, char method, const CompressedSink &sink, MemberData &data,
                   unsigned threads = std::thread::hardware_concurrency());

// How much work PackAhead may take on.
struct PackLimits {
    unsigned workers = std::thread::hardware_concurrency(); // fewer than 2: none
    uint64_t largest = uint64_t(8) << 20;
    uint64_t ahead = uint64_t(64) << 20;
};

// The members that compress_file gives to the writer in their order. Each worker thread
// takes the next file not yet taken, in member order, and compresses it into memory, so
// several files are compressed at once while the writer copies out finished ones. Only
// files up to `largest` bytes are taken (larger ones the writer streams itself), and only
// while the files taken but not yet handed over add up to `ahead` bytes or less, so memory
// stays bounded. Nothing about the output depends on the number of threads or their timing.
// Members taken over from an archive (up to `largest` bytes too) are handed to `copied`
// when it is given, in the same order and under the same budget; those that are not
// repacked (see Member) count for nothing in it.
class PackAhead {
  public:
    struct Result {
        bool packed = false; // false: store the file (or copy the member) instead
        MemberData data;
        std::vector<uint8_t> bytes;
    };
    using CopiedWork = std::function<Result(const Member &)>;

    PackAhead(const std::vector<Member> &members, char method, PackLimits limits = {},
              CopiedWork copied = {});
    ~PackAhead(); // abandons the work not yet handed over
    PackAhead(const PackAhead &) = delete;
    PackAhead &operator=(const PackAhead &) = delete;

    bool takes(size_t index) const { return index < jobs_.size() && jobs_[index].taken; }
    // Waits for member index (one that takes() says is compressed here) and hands its
    // result over, or rethrows the error its file gave.
    Result result(size_t index);

  private:
    struct Job {
        bool taken = false; // compressed by a worker
        bool done = false;
        Result result;
        std::exception_ptr failure;
    };

    void work();
    uint64_t weight(size_t index) const;

    const std::vector<Member> &members_;
    char method_;
    CopiedWork copied_;
    uint64_t ahead_;
    std::vector<Job> jobs_;
    std::mutex lock_;
    std::condition_variable changed_;
    size_t next_ = 0;                    // the first job no worker has started
    uint64_t in_flight_ = 0;             // bytes of the files started but not handed over
    std::atomic<bool> stopping_ = false; // read by the workers outside the lock too
    std::vector<std::thread> workers_;
};

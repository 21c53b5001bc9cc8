// The builder's reader of existing archives on any bytes: the input is the archive (or a
// self-extractor). Headers of every level are read and made members, and each member's
// data is checked as the builder checks it: expanded by the program's own decoder, or by
// the decoders of the older methods, into nothing. Besides the sanitizers' own checks:
// everything refused is refused with a one-line message, and every member read has a name
// and data that lie inside the input.
#include "archive_source.h"
#include "make_error.h"
#include "take_over.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <string_view>

namespace {

// Members of more than this are passed over by the data check, so that one input cannot
// take longer than the run's hang limit.
constexpr uint64_t LARGEST_CHECKED = 1 << 20;

void require(bool condition) {
    if (!condition)
        abort();
}

void require_clear(const MakeError &refusal) {
    std::string_view text = refusal.what();
    require(!text.empty() && text.find('\n') == std::string_view::npos);
}

// The input as a file without a name (nothing is left behind however the process ends),
// reached as /proc/self/fd/N; each call replaces its contents.
std::string input_file(const uint8_t *data, size_t size) {
    static int descriptor = -1;
    if (descriptor < 0) {
        char name[] = "/tmp/kolvane-fuzz-XXXXXX";
        descriptor = mkstemp(name);
        if (descriptor < 0 || unlink(name) != 0)
            abort();
    }
    if (ftruncate(descriptor, 0) != 0 || pwrite(descriptor, data, size, 0) != (ssize_t)size)
        abort();
    return "/proc/self/fd/" + std::to_string(descriptor);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    if (access("/dev/shm", W_OK) == 0)
        setenv("TMPDIR", "/dev/shm", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string path = input_file(data, size);
    ArchiveContents contents;
    try {
        contents = read_archive(path, false);
    } catch (const MakeError &refusal) {
        require_clear(refusal);
        return 0;
    }
    for (const Member &member : contents.members) {
        require(!member.shown.empty() && !member.path().empty());
        if (member.source != MemberSource::Copied || member.size > LARGEST_CHECKED)
            continue;
        require(member.data_offset + member.compressed_size <= size);
        try {
            if (member.repack)
                with_expanded(member, path, [](const Member &) {});
            else
                check_copied(member, path);
        } catch (const MakeError &refusal) {
            require_clear(refusal);
        }
    }
    return 0;
}

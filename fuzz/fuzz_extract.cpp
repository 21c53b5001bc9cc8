// Fuzz target: whole runs of the extraction driver over any archive, as the self-extractor
// makes them: the notice pass, then, when it lets the run go on, the extraction pass.
//
// Input: byte 0 holds the configuration flags (bit 0 restore attributes, bit 1 overwrite
// without asking); the rest is the archive. The destination is a null drive, so members of
// any size cost only their decoding, and writes fail after 4 MiB so every run ends quickly.
// Besides the sanitizers' own checks: both passes close every handle they open, a failed
// pass has said why in a message box, and a pass that succeeds shows nothing but the notice.
// The extraction pass meets the members kolvane-unpack's walk lists, in the same order and
// at the same places: the walk's list begins with the driver's, and is the same when the
// pass succeeds. Both lists are taken from the header reader itself, which this target's
// link wraps (-Wl,--wrap), so neither the driver nor the walk is changed to be watched.
#include "archive/header.h"
#include "extract/driver.h"
#include "process/state.h"
#include "sfx_run.h"

#include "standin.h"
#include "walk.h"

#include <fcntl.h>
#include <algorithm>
#include <functional>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <utility>
#include <vector>
#include <unistd.h>

namespace {

int descriptor = -1; // the self-extractor's host file

// Each header the reader accepted while `headers_read` was set: path and data offset.
using HeaderList = std::vector<std::pair<std::string, uint64_t>>;
HeaderList *headers_read = nullptr;

HeaderList headers_during(const std::function<void()> &body) {
    HeaderList list;
    headers_read = &list;
    body();
    headers_read = nullptr;
    return list;
}

} // namespace

extern "C" int __real__Z18read_member_headerv();
extern "C" int __wrap__Z18read_member_headerv() {
    int result = __real__Z18read_member_headerv();
    if (result == HEADER_READY && headers_read)
        headers_read->emplace_back(state.member_path, state.member_data_offset);
    return result;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    descriptor = open_sfx_file();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    if (ftruncate(descriptor, 0) != 0 ||
        pwrite(descriptor, data + 1, size - 1, 0) != (ssize_t)(size - 1))
        abort();

    stage_sfx_run();
    lstrcpynA(state.destination_folder, "N:\\out", DESTINATION_SIZE);
    lstrcpynA(state.config.title, "fuzz", sizeof state.config.title);
    state.config.flags = data[0] & (SFX_RESTORE_ATTRIBUTES | SFX_OVERWRITE_WITHOUT_ASKING);
    state.config.total_size_low = 1u << 20;

    int result = run_extraction(nullptr, MODE_NOTICE);
    check_pass(result);
    if (!result)
        return 0;
    standin::message_boxes().clear();
    int extracted = 0;
    HeaderList driver = headers_during([&] { extracted = run_extraction(nullptr, MODE_EXTRACT); });
    check_pass(extracted);
    size_t visited = 0; // every header listed is visited, but one running past the end
    HeaderList walk = headers_during(
        [&] { walk_members(size - 1, true, [&](const Member &) { return ++visited != 0; }); });
    require(walk.size() == visited || walk.size() == visited + 1);
    require(walk.size() >= driver.size() && std::equal(driver.begin(), driver.end(), walk.begin()));
    require(!extracted || walk == driver);
    return 0;
}

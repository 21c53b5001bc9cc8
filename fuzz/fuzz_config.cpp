// Fuzz target: the configuration block reader on any block, and both passes of the
// extraction driver with whatever archive offset and total the block holds.
//
// Input: the 705-byte block (a shorter input is padded with zero bytes), then the archive
// bytes, which the file holds right after the block (offset 1217). The environment holds a
// long variable and one with a double-byte text, so that expansions fill their buffers.
// Besides the sanitizers' own checks: the reader succeeds, every text field ends inside its
// width, the title is never empty, the overwrite flag always brings a message, and each
// pass closes its handles and fails exactly when it has said why.
#include "extract/driver.h"
#include "process/config.h"
#include "process/state.h"
#include "sfx_run.h"

#include "standin.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <unistd.h>

namespace {

int descriptor = -1; // the self-extractor's host file

template <size_t N> void require_terminated(const char (&field)[N]) {
    require(memchr(field, 0, N) != nullptr);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    descriptor = open_sfx_file();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    uint8_t head[CONFIG_OFFSET + CONFIG_SIZE] = {'M', 'Z'};
    size_t block = size < CONFIG_SIZE ? size : CONFIG_SIZE;
    memcpy(head + CONFIG_OFFSET, data, block);
    if (ftruncate(descriptor, 0) != 0 || pwrite(descriptor, head, sizeof head, 0) != sizeof head ||
        pwrite(descriptor, data + block, size - block, sizeof head) != (ssize_t)(size - block))
        abort();

    stage_sfx_run();
    standin::set_current_directory("C:\\");
    standin::set_environment("LONG", std::string(300, 'L'));
    standin::set_environment("DBCS", "\x95\x5c\x95\x5c\x95");
    standin::set_registry_value("software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir",
                                "C:\\Program Files");

    require(load_config() == 1);
    const SfxConfig &config = state.config;
    require_terminated(config.title);
    require_terminated(config.label);
    require_terminated(config.folder);
    require_terminated(config.message);
    require_terminated(config.command);
    require(config.title[0] != 0);
    require(!(config.flags & SFX_OVERWRITE_WITHOUT_ASKING) || config.message[0] != 0);

    lstrcpynA(state.destination_folder, "N:\\out", DESTINATION_SIZE);
    int result = run_extraction(nullptr, MODE_NOTICE);
    check_pass(result);
    if (!result)
        return 0;
    standin::message_boxes().clear();
    check_pass(run_extraction(nullptr, MODE_EXTRACT));
    return 0;
}

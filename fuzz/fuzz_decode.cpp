// Fuzz target: one member's data through member expansion.
//
// Input: byte 0 picks the method (bits 0-2: '4', '5', '6', '7', or '0' for a stored copy)
// and the output (bit 3: a file on /dev/null, fed to the CRC; else notice capture);
// bytes 1-4 are the original size (little-endian, cut to 256 KiB so that every input ends
// quickly); the rest is the member's compressed data, followed in the archive file by a
// marker that the decoder must never read.
#include "archive/crc16.h"
#include "archive/header.h"
#include "extract/driver.h"
#include "process/processor.h"
#include "scratch.h"
#include "process/state.h"

#include <string.h>

namespace {

const uint8_t marker[] = {0x1B, 0x00, '-', 'l', 'h', '5', '-', 0xEE};
const char methods[] = {'4', '5', '6', '7', '0', '5', '6', '7'};

uint64_t archive_position() {
    LONG high = 0;
    DWORD low = SetFilePointer(state.archive_handle, 0, &high, FILE_CURRENT);
    return (uint64_t)(uint32_t)high << 32 | low;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 5)
        return 0;
    static bool started = false;
    if (!started) {
        standin::map_drive('N', "/dev");
        started = true;
    }
    char method = methods[data[0] & 7];
    bool to_file = data[0] & 8;
    uint32_t original_size = read_u32(data + 1) & ((256u << 10) - 1);
    const uint8_t *member = data + 5;
    uint32_t compressed_size = (uint32_t)(size - 5);

    std::string file(member, member + compressed_size);
    file.append(reinterpret_cast<const char *>(marker), sizeof marker);
    HANDLE archive = fuzz_input_file(reinterpret_cast<const uint8_t *>(file.data()), file.size());

    memset(&state, 0, sizeof state);
    lstrcpynA(state.own_path, "C:\\input", PATH_SIZE);
    lstrcpynA(state.output_path, "N:\\null", OUTPUT_PATH_SIZE);
    lstrcpynA(state.config.title, "fuzz", sizeof state.config.title);
    state.config.total_size_low = original_size;
    detect_processor();
    crc16_build_table(CRC16_POLY);
    standin::message_boxes().clear();

    uint8_t header[HEADER_FIXED_SIZE] = {0, 0, '-', 'l', 'h', (uint8_t)method, '-'};
    memcpy(header + HEADER_COMPRESSED_SIZE, &compressed_size, 4);
    memcpy(header + HEADER_ORIGINAL_SIZE, &original_size, 4);
    state.header = header;

    state.archive_handle = archive;
    state.output_handle = to_file ? CreateFileA(state.output_path, GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                                  : INVALID_HANDLE_VALUE;
    expand_guarded();
    bool returned = !state.failed;

    // Whatever the data, the decoder never reads into what follows the member (a stored
    // copy reads by its original size instead); a member that expands produces at least its
    // size, and a failure has shown its message.
    if (method != '0' && archive_position() > compressed_size)
        abort();
    if (returned && state.bytes_done < original_size)
        abort();
    if (!returned && (state.failed != 1 || standin::message_boxes().size() != 1))
        abort();
    if (state.output_handle != INVALID_HANDLE_VALUE)
        CloseHandle(state.output_handle);
    return 0;
}

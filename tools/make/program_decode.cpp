#include "program_decode.h"
#include "cp932.h"
#include "program_host.h"

#include "archive/crc16.h"
#include "archive/header.h"
#include "decode/expand.h"
#include "process/processor.h"
#include "process/state.h"

#include <cstring>
#include <mutex>

namespace {

std::mutex program_lock;

void put32(uint8_t *p, uint32_t value) {
    for (int i = 0; i < 4; i++)
        p[i] = uint8_t(value >> 8 * i);
}

// The program's failure message, without the quoted file name in front.
std::string program_failure() {
    std::string text = program_host_message();
    size_t quote = text.size() > 1 && text[0] == '"' ? text.find("\" ", 1) : std::string::npos;
    if (quote != std::string::npos)
        text = text.substr(quote + 2);
    if (text.empty())
        return "the data cannot be expanded";
    return "the data cannot be expanded (" + cp932::for_display(text) + ")";
}

} // namespace

std::string program_expand(const std::string &archive, const Member &member,
                           const std::string &into) {
    std::lock_guard hold(program_lock);
    static bool table_ready = false;
    if (!table_ready) {
        crc16_build_table(CRC16_POLY);
        program_host_start();
        detect_processor();
        table_ready = true;
    }
    program_host_prepare(archive, into);
    lstrcpynA(state.own_path, "S:\\", PATH_SIZE);
    lstrcpynA(state.output_path, "T:\\", OUTPUT_PATH_SIZE);

    uint8_t header[HEADER_FIXED_SIZE] = {};
    header[HEADER_SIZE] = HEADER_FIXED_SIZE;
    memcpy(header + HEADER_METHOD, member.packed_method.data(), 5);
    put32(header + HEADER_COMPRESSED_SIZE, member.compressed_size);
    put32(header + HEADER_ORIGINAL_SIZE, (uint32_t)member.size);
    header[HEADER_LEVEL] = HEADER_LEVEL_2;
    header[HEADER_DATA_CRC] = uint8_t(member.data_crc);
    header[HEADER_DATA_CRC + 1] = uint8_t(member.data_crc >> 8);
    state.header = header;

    std::string failure;
    state.archive_handle = program_host_open_archive(archive);
    LONG high = LONG(member.data_offset >> 32);
    state.output_handle = program_host_open_output(into);
    if (state.archive_handle == INVALID_HANDLE_VALUE ||
        state.output_handle == INVALID_HANDLE_VALUE ||
        SetFilePointer(state.archive_handle, LONG(member.data_offset & 0xFFFFFFFF), &high,
                       FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        failure = "cannot be read again";
    } else {
        state.failed = 0;
        state.bytes_done = 0;
        state.cancel_requested = 0;
        program_host_run();
        if (state.failed)
            failure = program_failure();
        else if (state.crc != member.data_crc)
            failure = crc_failure(member.data_crc, state.crc);
        else if (!member_intact(member.data_crc))
            failure = "the data runs out before the member is complete (the rest would be "
                      "made from bits that are not there)";
    }
    if (state.archive_handle != INVALID_HANDLE_VALUE)
        CloseHandle(state.archive_handle);
    if (state.output_handle != INVALID_HANDLE_VALUE && !CloseHandle(state.output_handle) &&
        failure.empty())
        failure = "cannot be written to a temporary file";
    state.archive_handle = state.output_handle = INVALID_HANDLE_VALUE;
    state.header = nullptr;
    return failure;
}

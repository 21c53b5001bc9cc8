// The program's own expansion on Windows: its code runs here on the real system, reading
// the archive and writing the scratch file through handles opened for it. A failure that
// the program would show in a message box is kept from the screen: no window may be made
// on this thread while it runs, and the text it prepared for the box is reported instead.
#include "program_decode.h"
#include "cp932.h"
#include "wide.h"

#include "archive/crc16.h"
#include "archive/header.h"
#include "decode/expand.h"
#include "extract/driver.h"
#include "process/state.h"

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

std::mutex program_lock;

void put32(uint8_t *p, uint32_t value) {
    for (int i = 0; i < 4; i++)
        p[i] = uint8_t(value >> 8 * i);
}

LRESULT CALLBACK no_windows(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_CREATEWND)
        return 1; // refused: the message box returns at once
    return CallNextHookEx(nullptr, code, wparam, lparam);
}

// The text of the message the program prepared, without the quoted file name in front.
std::string prepared_failure() {
    std::string text = state.text_buffer;
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
        state.instance = GetModuleHandleW(nullptr); // the string table is linked in
        table_ready = true;
    }
    lstrcpynA(state.own_path, "S:\\", PATH_SIZE);
    lstrcpynA(state.output_path, "T:\\", OUTPUT_PATH_SIZE);
    state.text_buffer[0] = 0;

    uint8_t header[HEADER_FIXED_SIZE] = {};
    header[HEADER_SIZE] = HEADER_FIXED_SIZE;
    memcpy(header + HEADER_METHOD, member.packed_method.data(), 5);
    put32(header + HEADER_COMPRESSED_SIZE, member.compressed_size);
    put32(header + HEADER_ORIGINAL_SIZE, (uint32_t)member.size);
    header[HEADER_LEVEL] = HEADER_LEVEL_2;
    header[HEADER_DATA_CRC] = uint8_t(member.data_crc);
    header[HEADER_DATA_CRC + 1] = uint8_t(member.data_crc >> 8);
    state.header = header;

    constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    std::string failure;
    state.archive_handle = CreateFileW(wide(archive).c_str(), GENERIC_READ, SHARE_ALL, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    LONG high = LONG(member.data_offset >> 32);
    state.output_handle =
        CreateFileW(into.empty() ? L"NUL" : wide(into).c_str(), GENERIC_WRITE, SHARE_ALL, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (state.archive_handle == INVALID_HANDLE_VALUE ||
        state.output_handle == INVALID_HANDLE_VALUE ||
        SetFilePointer(state.archive_handle, LONG(member.data_offset & 0xFFFFFFFF), &high,
                       FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        failure = "cannot be read again";
    } else {
        state.failed = 0;
        state.bytes_done = 0;
        state.cancel_requested = 0;
        HHOOK hook = SetWindowsHookExW(WH_CBT, no_windows, nullptr, GetCurrentThreadId());
        expand_guarded();
        if (hook)
            UnhookWindowsHookEx(hook);
        if (state.failed)
            failure = prepared_failure();
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

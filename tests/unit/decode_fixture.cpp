#include "decode_fixture.h"
#include "abort_guard.h"
#include "archive/crc16.h"
#include "extract/sink.h"
#include "resource.h"
#include "tests/support/lzh_header.h"

#include <commctrl.h>
#include <sys/stat.h>

namespace {

DecodeTest *current_test;

INT_PTR owner_procedure(HWND, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message != WM_COMMAND)
        return FALSE;
    if (LOWORD(wparam) == IDCANCEL)
        state.cancel_requested = 1;
    if (LOWORD(wparam) == PROGRESS_COMMAND)
        current_test->record_report((int)lparam);
    return TRUE;
}

} // namespace

void DecodeTest::record_report(int percent) {
    struct stat st;
    uint64_t size = stat(host("C:\\out.bin").c_str(), &st) == 0 ? (uint64_t)st.st_size : 0;
    reports.push_back({percent, state.bytes_done, size});
}

bool DecodeTest::run_in_owner(const std::function<void()> &body) {
    current_test = this;
    bool returned = false;
    standin::queue_dialog_handler(IDD_MAIN, [&](HWND dialog) {
        state.owner_window = dialog;
        returned = run_guarded(body);
        state.owner_window = nullptr;
        EndDialog(dialog, 0);
    });
    InitCommonControls(); // the template holds a progress bar
    DialogBoxParamA(state.instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, owner_procedure, 0);
    return returned;
}

void DecodeTest::SetUp() {
    ProgramTest::SetUp();
    crc16_build_table(CRC16_POLY);
    state.read_index = -1;
}

void DecodeTest::TearDown() {
    if (state.archive_handle != INVALID_HANDLE_VALUE)
        CloseHandle(state.archive_handle);
    if (state.output_handle != INVALID_HANDLE_VALUE)
        CloseHandle(state.output_handle);
    state.archive_handle = state.output_handle = INVALID_HANDLE_VALUE;
    ProgramTest::TearDown();
}

void DecodeTest::open_member(const std::vector<uint8_t> &data,
                             const std::vector<uint8_t> &trailer) {
    std::vector<uint8_t> file = data;
    file.insert(file.end(), trailer.begin(), trailer.end());
    write_host_file(host("C:\\archive.bin"), file);
    if (state.archive_handle != INVALID_HANDLE_VALUE)
        CloseHandle(state.archive_handle);
    state.archive_handle =
        CreateFileA("C:\\archive.bin", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(state.archive_handle, INVALID_HANDLE_VALUE);
    state.read_index = -1;
    state.compressed_left = (uint32_t)data.size();
}

uint64_t DecodeTest::archive_position() const {
    LONG high = 0;
    DWORD low = SetFilePointer(state.archive_handle, 0, &high, FILE_CURRENT);
    return (uint64_t)(uint32_t)high << 32 | low;
}

void DecodeTest::open_output() {
    if (state.output_handle != INVALID_HANDLE_VALUE)
        CloseHandle(state.output_handle);
    state.output_handle = CreateFileA("C:\\out.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(state.output_handle, INVALID_HANDLE_VALUE);
    lstrcpynA(state.output_path, "C:\\out.bin", OUTPUT_PATH_SIZE);
}

std::vector<uint8_t> DecodeTest::output() {
    if (state.output_handle != INVALID_HANDLE_VALUE)
        CloseHandle(state.output_handle);
    state.output_handle = INVALID_HANDLE_VALUE;
    return read_host_file(host("C:\\out.bin"));
}

void DecodeTest::set_header(char method_letter, uint32_t compressed_size, uint32_t original_size) {
    HeaderFields f;
    f.method = std::string("-lh") + method_letter + "-";
    f.compressed_size = compressed_size;
    f.original_size = original_size;
    header = sealed(f).bytes;
    state.header = header.data();
}

std::vector<std::string> DecodeTest::box_texts() const {
    std::vector<std::string> texts;
    for (size_t i = 0; i < standin::message_boxes().size(); i++)
        texts.push_back(box_text(i));
    return texts;
}

std::string DecodeTest::read_error_box() const {
    return "\"" + own_path + "\" 読み込みｴﾗｰ";
}

std::string DecodeTest::bad_table_box() const {
    return "\"" + own_path + "\" Bad table (5)";
}

#include "extract/replace.h"
#include "process/state.h"

namespace {

bool replacing;
DWORD replaced_attributes; // of the file being replaced

// Copies the folder part of state.output_path (up to and including its last separator)
// into `path` and returns its length.
int folder_part(char *path) {
    const char *text = state.output_path;
    int end = 0;
    for (const char *p = text; *p; p = CharNextA(p))
        if (*p == '/' || *p == '\\')
            end = (int)(p - text) + 1;
    memcpy(path, text, end);
    return end;
}

// Creates a new, empty file with a free temporary name beside the output file. The
// name is 8.3-clean, so it can be made on any volume.
HANDLE create_unique(char *path) {
    int length = folder_part(path);
    if (length + 12 >= OUTPUT_PATH_SIZE)
        return INVALID_HANDLE_VALUE;
    for (DWORD n = 0; n < 0x10000; n++) {
        wsprintfA(path + length, "~KV%04X.TMP", (unsigned)n);
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    return INVALID_HANDLE_VALUE;
}

} // namespace

bool open_new_output() {
    replacing = false;
    state.output_handle = CreateFileA(state.output_path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    return state.output_handle != INVALID_HANDLE_VALUE;
}

bool open_output(bool agreed, DWORD existing) {
    replaced_attributes = existing;
    replacing = existing != INVALID_FILE_ATTRIBUTES && !(existing & FILE_ATTRIBUTE_DIRECTORY) &&
                (agreed || !(existing & FILE_ATTRIBUTE_READONLY));
    if (replacing)
        state.output_handle = create_unique(state.replace_path);
    else
        state.output_handle = CreateFileA(state.output_path, GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return state.output_handle != INVALID_HANDLE_VALUE;
}

void delete_written_file() {
    DeleteFileA(replacing ? state.replace_path : state.output_path);
}

void discard_output() {
    CloseHandle(state.output_handle);
    state.output_handle = INVALID_HANDLE_VALUE;
    delete_written_file();
}

// The platform's plain move does not replace: the existing file first moves aside to a
// second free name, so that a failed move can put it back. Its attributes are cleared
// only then (a read-only backup could not be deleted), and set again when the
// replacement fails.
bool commit_output() {
    if (!replacing)
        return true;
    char backup[OUTPUT_PATH_SIZE];
    HANDLE placeholder = create_unique(backup);
    bool ok = placeholder != INVALID_HANDLE_VALUE;
    if (ok) {
        CloseHandle(placeholder);
        DeleteFileA(backup);
        SetFileAttributesA(state.output_path, FILE_ATTRIBUTE_NORMAL);
        ok = MoveFileA(state.output_path, backup);
    }
    if (ok && !MoveFileA(state.replace_path, state.output_path)) {
        MoveFileA(backup, state.output_path);
        ok = false;
    }
    if (ok) {
        DeleteFileA(backup);
    } else {
        DeleteFileA(state.replace_path);
        SetFileAttributesA(state.output_path, replaced_attributes);
    }
    return ok;
}

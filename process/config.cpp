// Loading the configuration block.
#include "process/config.h"
#include "macros/macros.h"
#include "resource.h"
#include "process/messages.h"
#include "process/state.h"
#include "process/text.h"

char *quote_if_spaced(const char *source, char *destination, int size) {
    int length = lstrlenA(source);
    if (source[0] != '"' && strchr(source, ' ') && length + 3 <= size)
        wsprintfA(destination, "\"%s\"", source);
    else
        copy_whole_chars(destination, source, size);
    return destination;
}

namespace {

bool read_block() {
    HANDLE file = CreateFileA(state.own_path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD got = 0;
    bool ok =
        SetFilePointer(file, CONFIG_OFFSET, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
        ReadFile(file, &state.config, CONFIG_SIZE, &got, nullptr) && got == CONFIG_SIZE;
    CloseHandle(file);
    return ok;
}

// A text field is read only within its width: its last byte becomes a terminator.
void terminate_fields(SfxConfig &config) {
    config.title[sizeof config.title - 1] = 0;
    config.label[sizeof config.label - 1] = 0;
    config.folder[sizeof config.folder - 1] = 0;
    config.message[sizeof config.message - 1] = 0;
    config.command[sizeof config.command - 1] = 0;
}

// The default folder in `scratch` (260 bytes): the configured one with environment
// variables and path macros expanded, cut to 255 bytes on a character boundary, or the
// current directory. A current directory too long for the field leaves it empty, so the
// user has to name a folder.
void default_folder(char *scratch) {
    SfxConfig &config = state.config;
    if (config.folder[0]) {
        expand_environment(config.folder, scratch);
        expand_path_macros(scratch, state.text_buffer, TEXT_BUFFER_SIZE, nullptr);
        copy_whole_chars(scratch, state.text_buffer, sizeof config.folder);
    } else {
        DWORD length = GetCurrentDirectoryA(sizeof config.folder, scratch);
        if (length == 0 || length >= sizeof config.folder)
            scratch[0] = 0;
    }
}

} // namespace

int load_config() {
    SfxConfig &config = state.config;
    memset(&config, 0, sizeof config);
    if (!read_block())
        return 0;
    terminate_fields(config);
    if (!config.title[0])
        copy_whole_chars(config.title, fetch_string(IDS_PROGRAM_NAME), sizeof config.title);
    char scratch[PATH_SIZE];
    default_folder(scratch);
    quote_if_spaced(scratch, config.folder, sizeof config.folder);
    if (!config.message[0] && (config.flags & SFX_OVERWRITE_WITHOUT_ASKING))
        copy_whole_chars(config.message, fetch_string(IDS_DEFAULT_MESSAGE), sizeof config.message);
    return 1;
}

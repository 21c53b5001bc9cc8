// Process-wide settings: environment, system folders, module name, version, registry,
// the local heap, and the launch of commands (recorded, never run).
#include "internal.h"

#include <chrono>
#include <map>
#include <optional>
#include <stdlib.h>

namespace {
DWORD last_error = 0;
std::string module_file_name = "C:\\KOLVANE.EXE";
DWORD version = 0x0A280105; // NT 5.1
std::string system_directory = "C:\\WINDOWS\\SYSTEM";
std::string temp_path = "C:\\TEMP\\";
std::map<std::string, std::string> environment;
std::map<std::string, std::map<std::string, std::string>> registry;
std::vector<standin::ShellExecuteRecord> executions;
std::optional<DWORD> tick_count; // a clock of our own, when set
DWORD tick_step;                 // how far it moves at each reading
StandinInstance *const the_instance = reinterpret_cast<StandinInstance *>(0x400000);

std::string lower(std::string s) {
    for (char &c : s)
        c = (char)tolower((unsigned char)c);
    return s;
}

// Copies `value` the way the platform's folder queries do: the length without the
// terminator when it fits, else the size needed with the terminator, buffer untouched.
DWORD copy_out(const std::string &value, LPSTR buffer, DWORD size) {
    if (value.size() + 1 > size)
        return (DWORD)value.size() + 1;
    memcpy(buffer, value.c_str(), value.size() + 1);
    return (DWORD)value.size();
}
} // namespace

struct StandinKey {
    std::string path;
};

namespace standin {

void set_module_file_name(const std::string &windows_path) {
    module_file_name = windows_path;
}
void set_version(DWORD v) {
    version = v;
}
void set_system_directory(const std::string &p) {
    system_directory = p;
}
void set_temp_path(const std::string &p) {
    temp_path = p;
}
void set_environment(const std::string &name, const std::string &value) {
    environment[lower(name)] = value;
}
void clear_environment() {
    environment.clear();
}
void set_registry_value(const std::string &key, const std::string &name, const std::string &value) {
    registry[lower(key)][lower(name)] = value;
}
void clear_registry() {
    registry.clear();
}
std::vector<ShellExecuteRecord> &shell_executions() {
    return executions;
}

void set_tick_count(DWORD milliseconds, DWORD step) {
    tick_count = milliseconds;
    tick_step = step;
}

void reset_system() {
    last_error = 0;
    tick_count.reset();
    module_file_name = "C:\\KOLVANE.EXE";
    version = 0x0A280105;
    system_directory = "C:\\WINDOWS\\SYSTEM";
    temp_path = "C:\\TEMP\\";
    environment.clear();
    registry.clear();
    executions.clear();
}

void reset() {
    reset_system();
    reset_files();
    standin_reset_failures();
    standin_reset_attributes();
    reset_messages();
    reset_dialogs();
}

} // namespace standin

DWORD GetLastError() {
    return last_error;
}
void SetLastError(DWORD error) {
    last_error = error;
}

// %NAME% is replaced when the environment defines NAME (names ignore case); anything
// else stays as written. Returns the size needed, terminator included; a buffer that is
// too small receives nothing.
DWORD ExpandEnvironmentStringsA(LPCSTR source, LPSTR destination, DWORD size) {
    std::string out;
    for (const char *p = source; *p;) {
        const char *close = *p == '%' ? strchr(p + 1, '%') : nullptr;
        if (close) {
            auto it = environment.find(lower(std::string(p + 1, close)));
            if (it != environment.end()) {
                out += it->second;
                p = close + 1;
                continue;
            }
        }
        out += *p++;
    }
    if (out.size() + 1 <= size)
        memcpy(destination, out.c_str(), out.size() + 1);
    return (DWORD)out.size() + 1;
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    return copy_out(system_directory, buffer, size);
}
DWORD GetTempPathA(DWORD size, LPSTR buffer) {
    return copy_out(temp_path, buffer, size);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    return copy_out(standin_current_directory(), buffer, size);
}

// Cuts at size - 1 bytes and terminates, as the platform does.
DWORD GetModuleFileNameA(HMODULE, LPSTR name, DWORD size) {
    if (size == 0)
        return 0;
    lstrcpynA(name, module_file_name.c_str(), (int)size);
    return (DWORD)strlen(name);
}

HMODULE GetModuleHandleA(LPCSTR name) {
    return name ? standin_named_module(name) : the_instance;
}
// The host's own processor, for the one feature the program asks about.
BOOL WINAPI IsProcessorFeaturePresent(DWORD feature) {
    return feature == PF_XMMI64_INSTRUCTIONS_AVAILABLE && __builtin_cpu_supports("sse2");
}
DWORD GetVersion() {
    return version;
}
DWORD GetTickCount() {
    if (tick_count) {
        DWORD now = *tick_count;
        *tick_count += tick_step;
        return now;
    }
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return (DWORD)std::chrono::duration_cast<std::chrono::milliseconds>(since).count();
}

HLOCAL LocalAlloc(UINT flags, size_t bytes) {
    if (standin_allocation_fails())
        return nullptr;
    void *block = malloc(bytes ? bytes : 1);
    if (block && (flags & LMEM_ZEROINIT))
        memset(block, 0, bytes);
    return block;
}

HLOCAL LocalFree(HLOCAL memory) {
    free(memory);
    return nullptr;
}

LONG RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD, REGSAM, HKEY *result) {
    if (key != HKEY_LOCAL_MACHINE)
        return ERROR_FILE_NOT_FOUND;
    auto it = registry.find(lower(sub_key));
    if (it == registry.end())
        return ERROR_FILE_NOT_FOUND;
    *result = new StandinKey{it->first};
    return ERROR_SUCCESS;
}

// A value that does not fit leaves the buffer untouched and answers ERROR_MORE_DATA.
LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
    auto &values = registry[key->path];
    auto it = values.find(lower(name));
    if (it == values.end())
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = REG_SZ;
    DWORD needed = (DWORD)it->second.size() + 1;
    if (data && size && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data)
        memcpy(data, it->second.c_str(), needed);
    if (size)
        *size = needed;
    return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
    delete key;
    return ERROR_SUCCESS;
}

HINSTANCE ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        INT show) {
    executions.push_back({owner, verb ? verb : "", file ? file : "", parameters ? parameters : "",
                          directory ? directory : "", verb != nullptr, parameters != nullptr,
                          show});
    return reinterpret_cast<HINSTANCE>(42);
}

void ExitProcess(UINT code) {
    exit((int)code);
}

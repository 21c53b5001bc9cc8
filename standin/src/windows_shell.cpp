// Shell32 as the folder chooser finds it: the module, its folder browser and its allocator;
// and kernel32 as far as its entry points are looked up by name.
#include "window_manager.h"

#include <deque>
#include <map>
#include <stdlib.h>
#include <strings.h>

namespace {
StandinInstance *const shell_module = reinterpret_cast<StandinInstance *>(0x7CA00000);
StandinInstance *const kernel_module = reinterpret_cast<StandinInstance *>(0x7C800000);
bool browser_available = true;

struct Answer {
    enum Kind { Folder, Cancel, NonFileItem } kind;
    std::string path;
};
std::deque<Answer> answers;
std::vector<standin::FolderBrowserRecord> browsers;

// Counts what it is asked; the blocks it hands out are plain heap blocks.
struct CountingAllocator : IMalloc {
    std::map<void *, SIZE_T> blocks;
    standin::ShellAllocatorCounts counts{};
    bool available = true, fail_next = false;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void **object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return (ULONG)++counts.references; }
    ULONG STDMETHODCALLTYPE Release() override { return (ULONG)--counts.references; }
    void *STDMETHODCALLTYPE Alloc(SIZE_T size) override {
        counts.allocations++;
        if (fail_next) {
            fail_next = false;
            return nullptr;
        }
        void *block = malloc(size ? size : 1);
        blocks[block] = size;
        counts.live_blocks = (int)blocks.size();
        return block;
    }
    void *STDMETHODCALLTYPE Realloc(void *block, SIZE_T size) override {
        if (!block)
            return Alloc(size);
        void *moved = realloc(block, size ? size : 1);
        if (!moved)
            return nullptr;
        blocks.erase(block);
        blocks[moved] = size;
        return moved;
    }
    void STDMETHODCALLTYPE Free(void *block) override {
        if (!block)
            return;
        counts.frees++;
        if (blocks.erase(block))
            free(block);
        counts.live_blocks = (int)blocks.size();
    }
    SIZE_T STDMETHODCALLTYPE GetSize(void *block) override {
        auto it = blocks.find(block);
        return it == blocks.end() ? (SIZE_T)-1 : it->second;
    }
    int STDMETHODCALLTYPE DidAlloc(void *block) override { return blocks.count(block) ? 1 : 0; }
    void STDMETHODCALLTYPE HeapMinimize() override {}

    void reset() {
        for (auto &block : blocks)
            free(block.first);
        blocks.clear();
        counts = {};
        available = true;
        fail_next = false;
    }
};
CountingAllocator allocator;

// The browser's item lists hold one item, then the terminating empty one:
//
//   cb (2) | has a path (1) | path, NUL | 0 (2)
//
// where cb counts the item's own bytes, cb included.
LPITEMIDLIST make_item_list(const Answer &answer) {
    size_t item = 2 + 1 + answer.path.size() + 1;
    BYTE *list = (BYTE *)allocator.Alloc(item + 2);
    if (!list)
        return nullptr;
    list[0] = (BYTE)item;
    list[1] = (BYTE)(item >> 8);
    list[2] = answer.kind == Answer::Folder;
    memcpy(list + 3, answer.path.c_str(), answer.path.size() + 1);
    list[item] = list[item + 1] = 0;
    return (LPITEMIDLIST)list;
}

// Through void (*)(), the type that any function pointer may pass on its way to another.
template <class Function> FARPROC as_procedure(Function *function) {
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(function));
}

// "shell32" and "shell32.dll", in any case.
bool names_shell(LPCSTR name) {
    return name && (strcasecmp(name, "shell32.dll") == 0 || strcasecmp(name, "shell32") == 0);
}
bool names_kernel(LPCSTR name) {
    return name && (strcasecmp(name, "kernel32.dll") == 0 || strcasecmp(name, "kernel32") == 0);
}
} // namespace

namespace standin {

void set_shell_browser_available(bool available) {
    browser_available = available;
}
void queue_folder_browser_answer(const std::string &cp932_windows_path) {
    answers.push_back({Answer::Folder, cp932_windows_path});
}
void queue_folder_browser_cancel() {
    answers.push_back({Answer::Cancel, ""});
}
void queue_folder_browser_non_file_item() {
    answers.push_back({Answer::NonFileItem, ""});
}
std::vector<FolderBrowserRecord> &folder_browsers() {
    return browsers;
}
ShellAllocatorCounts shell_allocator_counts() {
    return allocator.counts;
}
void set_shell_allocator_available(bool available) {
    allocator.available = available;
}
void fail_next_shell_allocation() {
    allocator.fail_next = true;
}

void reset_shell() {
    browser_available = true;
    answers.clear();
    browsers.clear();
    allocator.reset();
}

} // namespace standin

HMODULE standin_named_module(LPCSTR name) {
    return names_shell(name) ? shell_module : names_kernel(name) ? kernel_module : nullptr;
}

HMODULE LoadLibraryA(LPCSTR name) {
    HMODULE module = standin_named_module(name);
    if (!module)
        SetLastError(ERROR_MOD_NOT_FOUND);
    return module;
}

BOOL FreeLibrary(HMODULE module) {
    return module == shell_module || module == kernel_module;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (module == shell_module && browser_available && !IS_INTRESOURCE(name)) {
        if (strcmp(name, "SHBrowseForFolderA") == 0)
            return as_procedure(SHBrowseForFolderA);
        if (strcmp(name, "SHGetPathFromIDListA") == 0)
            return as_procedure(SHGetPathFromIDListA);
        if (strcmp(name, "SHGetMalloc") == 0)
            return as_procedure(SHGetMalloc);
    }
    if (module == kernel_module && !IS_INTRESOURCE(name) &&
        strcmp(name, "IsProcessorFeaturePresent") == 0)
        return as_procedure(IsProcessorFeaturePresent);
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

HRESULT SHGetMalloc(IMalloc **result) {
    if (!allocator.available) {
        *result = nullptr;
        return E_FAIL;
    }
    allocator.AddRef();
    *result = &allocator;
    return S_OK;
}

// Answers from the queue; a chosen folder's last name goes to the display-name buffer.
PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA request) {
    browsers.push_back({*request, request->lpszTitle ? request->lpszTitle : "", answers.empty()});
    if (answers.empty())
        return nullptr;
    Answer answer = answers.front();
    answers.pop_front();
    if (answer.kind == Answer::Cancel)
        return nullptr;
    if (request->pszDisplayName) {
        const char *name = answer.path.c_str();
        for (const char *p = name; *p; p = CharNextA(p))
            if (*p == '\\' && p[1])
                name = p + 1;
        lstrcpynA(request->pszDisplayName, name, MAX_PATH);
    }
    return make_item_list(answer);
}

BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE list, LPSTR path) {
    const BYTE *bytes = (const BYTE *)list;
    if (!bytes || !bytes[2]) {
        path[0] = 0;
        return FALSE;
    }
    lstrcpynA(path, (const char *)bytes + 3, MAX_PATH);
    return TRUE;
}

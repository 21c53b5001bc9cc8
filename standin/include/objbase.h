// COM as far as the shell's allocator needs it.
#pragma once

#include <windows.h>

typedef struct _GUID {
    DWORD Data1;
    WORD Data2, Data3;
    BYTE Data4[8];
} GUID, IID;
typedef const IID &REFIID;
typedef size_t SIZE_T;

#define STDMETHODCALLTYPE
#define S_OK ((HRESULT)0)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void **object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

struct IMalloc : IUnknown {
    virtual void *STDMETHODCALLTYPE Alloc(SIZE_T size) = 0;
    virtual void *STDMETHODCALLTYPE Realloc(void *block, SIZE_T size) = 0;
    virtual void STDMETHODCALLTYPE Free(void *block) = 0;
    virtual SIZE_T STDMETHODCALLTYPE GetSize(void *block) = 0;
    virtual int STDMETHODCALLTYPE DidAlloc(void *block) = 0;
    virtual void STDMETHODCALLTYPE HeapMinimize() = 0;
};
typedef IMalloc *LPMALLOC;

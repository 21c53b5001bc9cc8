// The shell's folder browser. The program looks these three functions up at run time
// (GetProcAddress on shell32.dll); their declarations give it the pointer types.
#pragma once

#include <objbase.h>

typedef struct _SHITEMID {
    WORD cb;
    BYTE abID[1];
} SHITEMID;
typedef struct _ITEMIDLIST {
    SHITEMID mkid;
} ITEMIDLIST;
typedef ITEMIDLIST *LPITEMIDLIST, *PIDLIST_ABSOLUTE;
typedef const ITEMIDLIST *LPCITEMIDLIST, *PCIDLIST_ABSOLUTE;

typedef int(CALLBACK *BFFCALLBACK)(HWND window, UINT message, LPARAM lparam, LPARAM data);

typedef struct _browseinfoA {
    HWND hwndOwner;
    PCIDLIST_ABSOLUTE pidlRoot;
    LPSTR pszDisplayName;
    LPCSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
} BROWSEINFOA, *LPBROWSEINFOA;

#define BIF_RETURNONLYFSDIRS 0x00000001

PIDLIST_ABSOLUTE SHBrowseForFolderA(LPBROWSEINFOA request);
BOOL SHGetPathFromIDListA(PCIDLIST_ABSOLUTE item, LPSTR path);
HRESULT SHGetMalloc(IMalloc **allocator);

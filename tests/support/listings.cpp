// The platform's door: this test program's import table, where a test may put a function of
// its own in place of one of kernel32's. Listings are counted there: the table is changed so
// that its calls of FindFirstFileW and FindClose (the program's own code is linked into it)
// go through wrappers that keep the set of listing handles not yet closed. On Windows an open
// listing keeps its folder in use: a browsed CD or USB stick could not be ejected.
#include "rig.h"

#include <string.h>

#include <set>

namespace rig {

namespace {

typedef HANDLE(WINAPI *FindFirstFileWFn)(LPCWSTR, LPWIN32_FIND_DATAW);
typedef BOOL(WINAPI *FindCloseFn)(HANDLE);

FindFirstFileWFn gFindFirst;
FindCloseFn gFindClose;
std::set<HANDLE> gOpen;

HANDLE WINAPI CountedFindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW found)
{
    HANDLE h = gFindFirst(pattern, found);
    if (h != INVALID_HANDLE_VALUE)
        gOpen.insert(h);
    return h;
}

BOOL WINAPI CountedFindClose(HANDLE h)
{
    gOpen.erase(h);
    return gFindClose(h);
}

}  // namespace

void *HookImport(const char *name, void *hook) { return HookImportFrom("kernel32.dll", name, hook); }

void *HookImportFrom(const char *dll, const char *name, void *hook)
{
    BYTE *base = (BYTE *)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS *nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (IMAGE_IMPORT_DESCRIPTOR *imp = (IMAGE_IMPORT_DESCRIPTOR *)(base + dir.VirtualAddress); imp->Name; ++imp) {
        if (_stricmp((const char *)(base + imp->Name), dll) != 0)
            continue;
        IMAGE_THUNK_DATA *names = (IMAGE_THUNK_DATA *)(base + imp->OriginalFirstThunk);
        IMAGE_THUNK_DATA *slots = (IMAGE_THUNK_DATA *)(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME *byName = (const IMAGE_IMPORT_BY_NAME *)(base + names->u1.AddressOfData);
            if (strcmp((const char *)byName->Name, name) != 0)
                continue;
            DWORD was;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &was);
            void *old = (void *)slots->u1.Function;
            slots->u1.Function = (ULONG_PTR)hook;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, was, &was);
            return old;
        }
    }
    return nullptr;
}

bool WatchListings()
{
    if (gFindFirst == nullptr) {
        gFindFirst = (FindFirstFileWFn)HookImport("FindFirstFileW", (void *)CountedFindFirstFileW);
        gFindClose = (FindCloseFn)HookImport("FindClose", (void *)CountedFindClose);
    }
    gOpen.clear();
    return gFindFirst != nullptr && gFindClose != nullptr;
}

size_t OpenListings() { return gOpen.size(); }

}  // namespace rig

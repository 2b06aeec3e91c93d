// For modules that link against the QvString interface exported by the
// launcher executable.
//
// A loader may map an executable that another module imports from without
// processing it: Wine neither applies the executable's base relocations nor
// binds its imports, and the executable's start-up code never runs in that
// case. Such a module calls QvPrepareHostModule() once, before its first
// QvString call. Where the loader has processed the executable already the
// call changes nothing.
#ifndef TESSAROVEN_QV_HOST_BINDING_H
#define TESSAROVEN_QV_HOST_BINDING_H

#include <windows.h>

namespace qvhost {

template <typename T>
inline bool WriteSlot(T* slot, T value) {
    DWORD oldProtect;
    if (!VirtualProtect(slot, sizeof(T), PAGE_READWRITE, &oldProtect)) return false;
    *slot = value;
    VirtualProtect(slot, sizeof(T), oldProtect, &oldProtect);
    return true;
}

// An import slot still holding its lookup entry has never been bound, and
// then the image has not been relocated either.
inline bool IsUnprocessed(BYTE* base, const IMAGE_IMPORT_DESCRIPTOR* imp) {
    if (imp->Name == 0 || imp->OriginalFirstThunk == 0) return false;
    const IMAGE_THUNK_DATA* lookup = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
    const IMAGE_THUNK_DATA* slot = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
    return lookup->u1.AddressOfData != 0 && slot->u1.Function == lookup->u1.AddressOfData;
}

inline bool ApplyRelocations(BYTE* base, const IMAGE_NT_HEADERS* nt) {
    LONG_PTR delta = reinterpret_cast<LONG_PTR>(base) - static_cast<LONG_PTR>(nt->OptionalHeader.ImageBase);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    if (delta == 0 || dir.VirtualAddress == 0) return delta == 0;
    BYTE* at = base + dir.VirtualAddress;
    BYTE* end = at + dir.Size;
    while (at + sizeof(IMAGE_BASE_RELOCATION) <= end) {
        const IMAGE_BASE_RELOCATION* block = reinterpret_cast<const IMAGE_BASE_RELOCATION*>(at);
        if (block->SizeOfBlock < sizeof(IMAGE_BASE_RELOCATION)) return false;
        const WORD* entry = reinterpret_cast<const WORD*>(block + 1);
        size_t count = (block->SizeOfBlock - sizeof(IMAGE_BASE_RELOCATION)) / sizeof(WORD);
        for (size_t i = 0; i < count; ++i) {
            BYTE* target = base + block->VirtualAddress + (entry[i] & 0x0FFF);
            switch (entry[i] >> 12) {
                case IMAGE_REL_BASED_ABSOLUTE:
                    break;
                case IMAGE_REL_BASED_HIGHLOW: {
                    DWORD* slot = reinterpret_cast<DWORD*>(target);
                    if (!WriteSlot(slot, static_cast<DWORD>(*slot + delta))) return false;
                    break;
                }
                case IMAGE_REL_BASED_DIR64: {
                    ULONGLONG* slot = reinterpret_cast<ULONGLONG*>(target);
                    if (!WriteSlot(slot, static_cast<ULONGLONG>(*slot + delta))) return false;
                    break;
                }
                default:
                    return false;
            }
        }
        at += block->SizeOfBlock;
    }
    return true;
}

inline bool BindImports(BYTE* base, const IMAGE_IMPORT_DESCRIPTOR* imp) {
    for (; imp->Name != 0; ++imp) {
        HMODULE dll = LoadLibraryA(reinterpret_cast<const char*>(base + imp->Name));
        if (dll == nullptr) return false;
        DWORD lookupRva = imp->OriginalFirstThunk != 0 ? imp->OriginalFirstThunk : imp->FirstThunk;
        const IMAGE_THUNK_DATA* lookup = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + lookupRva);
        IMAGE_THUNK_DATA* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; lookup->u1.AddressOfData != 0; ++lookup, ++slot) {
            FARPROC fn;
            if (IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal)) {
                fn = GetProcAddress(dll, reinterpret_cast<LPCSTR>(IMAGE_ORDINAL(lookup->u1.Ordinal)));
            } else {
                const IMAGE_IMPORT_BY_NAME* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + lookup->u1.AddressOfData);
                fn = GetProcAddress(dll, reinterpret_cast<const char*>(byName->Name));
            }
            if (fn == nullptr) return false;
            if (!WriteSlot(&slot->u1.Function, reinterpret_cast<decltype(slot->u1.Function)>(fn))) return false;
        }
    }
    return true;
}

}  // namespace qvhost

// Relocates and binds the executable host (for example
// GetModuleHandleA("setup.exe")) if its loader left that undone. Returns
// false when that fails (a DLL or function it needs cannot be found); the
// host's string functions must not be used then. Call it once per process,
// and (32-bit builds) before anything could throw through the host's exports.
inline bool QvPrepareHostModule(HMODULE host) {
#if defined(__GNUC__) && !defined(__SEH__)
    // With DWARF-2 unwinding (32-bit mingw) the host's unwinder calls this
    // module's handlers, which use this module's own unwinder; that sets up
    // its register table at its first exception only. One exception here
    // lets the host's exceptions reach this module's handlers.
    try {
        throw 0;
    } catch (int) {
    }
#endif
    if (host == nullptr) return false;
    BYTE* base = reinterpret_cast<BYTE*>(host);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return true;
    const IMAGE_IMPORT_DESCRIPTOR* imports = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    if (!qvhost::IsUnprocessed(base, imports)) return true;
    return qvhost::ApplyRelocations(base, nt) && qvhost::BindImports(base, imports);
}

#endif

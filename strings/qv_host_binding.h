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

// The import slots of one descriptor and the lookup entries they were
// made from; a slot that still equals its lookup entry was never bound.
// A descriptor without lookup entries (slots only) has lookup == slot.
inline IMAGE_THUNK_DATA* Slots(BYTE* base, const IMAGE_IMPORT_DESCRIPTOR* imp) {
    return reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
}
inline const IMAGE_THUNK_DATA* Lookups(BYTE* base, const IMAGE_IMPORT_DESCRIPTOR* imp) {
    return reinterpret_cast<const IMAGE_THUNK_DATA*>(base + (imp->OriginalFirstThunk != 0 ? imp->OriginalFirstThunk
                                                                                           : imp->FirstThunk));
}

// True when some import slot of any descriptor was never bound: the loader
// left the image unprocessed, or an earlier preparation stopped midway.
inline bool HasUnboundImport(BYTE* base, const IMAGE_IMPORT_DESCRIPTOR* imp) {
    for (; imp->Name != 0; ++imp) {
        if (imp->OriginalFirstThunk == 0) continue;  // cannot tell: decided by the others
        const IMAGE_THUNK_DATA* lookup = Lookups(base, imp);
        for (const IMAGE_THUNK_DATA* slot = Slots(base, imp); lookup->u1.AddressOfData != 0; ++lookup, ++slot) {
            if (slot->u1.Function == lookup->u1.AddressOfData) return true;
        }
    }
    return false;
}

// Adds delta to every slot the image's relocation table names; with delta
// 0 it only checks that it knows every entry, so that a table it cannot
// apply is refused before anything is changed.
inline bool Relocate(BYTE* base, const IMAGE_NT_HEADERS* nt, LONG_PTR delta) {
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    BYTE* at = base + dir.VirtualAddress;
    BYTE* end = at + dir.Size;
    while (dir.VirtualAddress != 0 && at + sizeof(IMAGE_BASE_RELOCATION) <= end) {
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
                    if (delta != 0 && !WriteSlot(slot, static_cast<DWORD>(*slot + delta))) return false;
                    break;
                }
                case IMAGE_REL_BASED_DIR64: {
                    ULONGLONG* slot = reinterpret_cast<ULONGLONG*>(target);
                    if (delta != 0 && !WriteSlot(slot, static_cast<ULONGLONG>(*slot + delta))) return false;
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

// Relocates the image once: afterwards its header names the address it is
// at, as a loader leaves it, so that a later call finds nothing to do.
inline bool RelocateOnce(BYTE* base, IMAGE_NT_HEADERS* nt) {
    LONG_PTR delta = reinterpret_cast<LONG_PTR>(base) - static_cast<LONG_PTR>(nt->OptionalHeader.ImageBase);
    if (delta == 0) return true;
    return Relocate(base, nt, 0) && Relocate(base, nt, delta) &&
           WriteSlot(&nt->OptionalHeader.ImageBase, static_cast<decltype(nt->OptionalHeader.ImageBase)>(
                                                        reinterpret_cast<ULONG_PTR>(base)));
}

// Binds every slot that is not bound yet.
inline bool BindImports(BYTE* base, const IMAGE_IMPORT_DESCRIPTOR* imp) {
    for (; imp->Name != 0; ++imp) {
        // Slots without lookup entries cannot be told bound from unbound, nor
        // bound a second time.
        if (imp->OriginalFirstThunk == 0) return false;
        HMODULE dll = LoadLibraryA(reinterpret_cast<const char*>(base + imp->Name));
        if (dll == nullptr) return false;
        const IMAGE_THUNK_DATA* lookup = Lookups(base, imp);
        for (IMAGE_THUNK_DATA* slot = Slots(base, imp); lookup->u1.AddressOfData != 0; ++lookup, ++slot) {
            if (slot->u1.Function != lookup->u1.AddressOfData) continue;
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
// host's string functions must not be used then. Every module that uses
// the host calls it, once, before its first call into the host (32-bit
// builds: before anything could throw through the host's exports); a later
// call finishes what a failed one left, and otherwise changes nothing. Not
// from two threads at once.
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
    IMAGE_NT_HEADERS* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return true;
    const IMAGE_IMPORT_DESCRIPTOR* imports = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
    // Every slot counts: an earlier call may have stopped after binding some.
    if (!qvhost::HasUnboundImport(base, imports)) return true;
    return qvhost::RelocateOnce(base, nt) && qvhost::BindImports(base, imports);
}

#endif

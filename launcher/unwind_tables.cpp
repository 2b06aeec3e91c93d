// i686 only: C++ exceptions that leave the launcher's exported functions.
//
// The 32-bit toolchain unwinds with DWARF-2 tables, which each module's
// start-up code registers with its own, statically linked unwinder. Two
// cases leave the launcher's unwinder blind: another module that imports
// the string class maps this executable without running its start-up code,
// so the launcher's own tables were never registered; and an exception
// thrown here (std::bad_alloc, QvStringError) has to pass through the
// calling module's frames, whose tables sit in that module's unwinder
// only. The unwinder then finds no handler and ends the process.
//
// The link wraps the unwinder's table lookup (-Wl,--wrap=_Unwind_Find_FDE):
// when an address has no table, the tables of the module that holds it are
// registered here, once, and the lookup is repeated. The 64-bit build
// unwinds through the system's own tables and needs none of this.
//
// Nothing here may depend on static constructors: they never run when
// the executable is loaded as another module's dependency.
#include <windows.h>

#include <stdint.h>
#include <string.h>

extern "C" {
struct dwarf_eh_bases;
const void* __real__Unwind_Find_FDE(void* pc, struct dwarf_eh_bases* bases);
void __register_frame_info(const void* begin, void* object);
const void* __wrap__Unwind_Find_FDE(void* pc, struct dwarf_eh_bases* bases);
}

namespace {

const int kMaxModules = 16;
// Room for the unwinder's bookkeeping of one module (its struct object,
// a handful of pointers), owned by the unwinder once registered.
struct alignas(8) UnwinderObject {
    void* words[16];
};

UnwinderObject g_objects[kMaxModules];
const BYTE* g_modules[kMaxModules];  // modules looked at, with or without tables
LONG g_moduleCount;
LONG g_lock;

// The module image that holds address, or null.
const BYTE* ModuleOf(const void* address) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(address, &info, sizeof info) != sizeof info || info.Type != MEM_IMAGE) return nullptr;
    const BYTE* base = static_cast<const BYTE*>(info.AllocationBase);
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (base == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->Signature == IMAGE_NT_SIGNATURE ? base : nullptr;
}

// True when size bytes at begin are DWARF-2 unwind tables the unwinder can
// walk safely: they start with a CIE (id 0, version 1) and end their
// entries with a zero length within their own size.
bool AreUnwindTables(const BYTE* begin, uint32_t size) {
    if (size < 12 || begin[8] != 1) return false;
    uint32_t id;
    memcpy(&id, begin + 4, 4);
    if (id != 0) return false;
    uint32_t at = 0;
    while (size - at >= 4) {
        uint32_t length;
        memcpy(&length, begin + at, 4);
        if (length == 0) return true;
        if (length > size - at - 4) return false;  // also the 64-bit form, 0xFFFFFFFF
        at += 4 + length;
    }
    return false;
}

// The module's DWARF-2 unwind tables, or null. An image keeps eight bytes
// of a section name: ".eh_fram" where the linker cut it, or "/" and an
// offset into a string table that is not mapped, in unstripped modules.
const BYTE* UnwindTables(const BYTE* base) {
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const IMAGE_NT_HEADERS* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (memcmp(section->Name, ".eh_fram", 8) != 0 && section->Name[0] != '/') continue;
        const BYTE* begin = base + section->VirtualAddress;
        uint32_t size = section->Misc.VirtualSize < section->SizeOfRawData ? section->Misc.VirtualSize
                                                                           : section->SizeOfRawData;
        if (AreUnwindTables(begin, size)) return begin;
    }
    return nullptr;
}

// Registers the tables of the module holding pc unless that module was
// looked at before; true when it registered something new.
bool RegisterModuleOf(const void* pc) {
    const BYTE* module = ModuleOf(pc);
    if (module == nullptr) return false;
    while (InterlockedExchange(&g_lock, 1) != 0) Sleep(0);
    bool registered = false;
    // The executable's own tables are registered by its start-up code when
    // it is the program that was started.
    bool known = module == ModuleOf(&g_lock) && module == reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
    for (LONG i = 0; i < g_moduleCount; ++i) known = known || g_modules[i] == module;
    if (!known && g_moduleCount < kMaxModules) {
        LONG slot = g_moduleCount++;
        g_modules[slot] = module;
        const BYTE* tables = UnwindTables(module);
        if (tables != nullptr) {
            __register_frame_info(tables, &g_objects[slot]);
            registered = true;
        }
    }
    InterlockedExchange(&g_lock, 0);
    return registered;
}

}  // namespace

const void* __wrap__Unwind_Find_FDE(void* pc, struct dwarf_eh_bases* bases) {
    const void* found = __real__Unwind_Find_FDE(pc, bases);
    if (found == nullptr && RegisterModuleOf(pc)) found = __real__Unwind_Find_FDE(pc, bases);
    return found;
}

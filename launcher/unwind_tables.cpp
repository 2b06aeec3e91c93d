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
// registered here and the lookup is repeated. A registration lasts while
// its module stays loaded: the loader reports each unload, and the next
// lookup drops that module's registration before another module can be
// mapped at the same address. The 64-bit build unwinds through the
// system's own tables and needs none of this.
//
// Nothing here may depend on static constructors: they never run when
// the executable is loaded as another module's dependency.
#include <windows.h>

#include <stdint.h>
#include <string.h>

#include "system_library.h"

extern "C" {
struct dwarf_eh_bases;
const void* __real__Unwind_Find_FDE(void* pc, struct dwarf_eh_bases* bases);
void __register_frame_info_table(const void* table, void* object);
void* __deregister_frame_info(const void* begin);
const void* __wrap__Unwind_Find_FDE(void* pc, struct dwarf_eh_bases* bases);
}

namespace {

// One module whose tables the unwinder knows through this file.
struct Registration {
    Registration* next;
    const BYTE* module;
    bool unloaded;  // the loader unloaded the module; dropped at the next lookup
    // The module's tables as the unwinder's null-ended list of them: it is
    // registered and later found by this address, so dropping it never
    // reads the module's memory, which may be gone or another module's by then.
    const void* table[2];
    // Room for the unwinder's bookkeeping of the module (a handful of
    // pointers), the unwinder's own while registered.
    alignas(8) void* object[16];
};

Registration* g_registrations;  // newest first, heap blocks
volatile LONG g_unloads;        // unloads reported and not yet dropped; read without the lock
LONG g_watching;
LONG g_lock;

struct Lock {
    Lock() {
        while (InterlockedExchange(&g_lock, 1) != 0) Sleep(0);
    }
    ~Lock() { InterlockedExchange(&g_lock, 0); }
};

// What the loader reports of a module it unloads.
struct UnloadedModule {
    ULONG flags;
    const void* fullName;
    const void* baseName;
    const BYTE* base;
    ULONG size;
};

// Runs inside the loader: it only marks, and touches nothing but this
// file's list.
VOID NTAPI OnModuleEvent(ULONG reason, const void* data, void*) {
    const ULONG kUnloaded = 2;
    if (reason != kUnloaded) return;
    const BYTE* base = static_cast<const UnloadedModule*>(data)->base;
    Lock lock;
    for (Registration* r = g_registrations; r != nullptr; r = r->next) {
        if (r->module == base && !r->unloaded) {
            r->unloaded = true;
            ++g_unloads;
        }
    }
}

// Asks the loader, once, to report unloads. The report calls into this
// module, which therefore stays loaded from then on.
void WatchUnloads() {
    if (InterlockedExchange(&g_watching, 1) != 0) return;
    HMODULE self;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&g_watching), &self);
    typedef LONG(NTAPI * RegisterFn)(ULONG flags, VOID(NTAPI*)(ULONG, const void*, void*), void*, void**);
    RegisterFn watch = ModuleFunction<RegisterFn>(GetModuleHandleA("ntdll.dll"), "LdrRegisterDllNotification");
    void* cookie;
    if (watch != nullptr) watch(0, OnModuleEvent, nullptr, &cookie);
}

// Drops the registrations of unloaded modules. Call with the lock held.
void DropUnloaded() {
    for (Registration** at = &g_registrations; g_unloads != 0 && *at != nullptr;) {
        Registration* r = *at;
        if (!r->unloaded) {
            at = &r->next;
            continue;
        }
        __deregister_frame_info(r->table);
        *at = r->next;
        --g_unloads;
        HeapFree(GetProcessHeap(), 0, r);
    }
}

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

// Registers the tables of the module holding pc unless they are
// registered already; true when it registered something new. Fails only
// when the module has no tables or no memory is left for the record.
bool RegisterModuleOf(const void* pc) {
    const BYTE* module = ModuleOf(pc);
    if (module == nullptr) return false;
    // The executable's own tables are registered by its start-up code when
    // it is the program that was started.
    if (module == ModuleOf(&g_lock) && module == reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr))) return false;
    const BYTE* tables = UnwindTables(module);
    if (tables == nullptr) return false;
    WatchUnloads();
    Lock lock;
    DropUnloaded();
    for (Registration* r = g_registrations; r != nullptr; r = r->next) {
        if (r->module == module) return false;
    }
    Registration* r = static_cast<Registration*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Registration)));
    if (r == nullptr) return false;
    r->module = module;
    r->table[0] = tables;
    __register_frame_info_table(r->table, r->object);
    r->next = g_registrations;
    g_registrations = r;
    return true;
}

}  // namespace

const void* __wrap__Unwind_Find_FDE(void* pc, struct dwarf_eh_bases* bases) {
    if (g_unloads != 0) {
        Lock lock;
        DropUnloaded();
    }
    const void* found = __real__Unwind_Find_FDE(pc, bases);
    if (found == nullptr && RegisterModuleOf(pc)) found = __real__Unwind_Find_FDE(pc, bases);
    return found;
}

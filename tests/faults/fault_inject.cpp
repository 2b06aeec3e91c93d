// The fault DLL: loaded into a launcher that the sweep driver started
// suspended, it replaces the launcher's imports of the hooked calls
// (hooked_calls.h) through its import address table, counts every call and
// makes the ones the driver's plan names fail with the planned error.
// Every other call goes to the real function untouched.
#include <windows.h>

// After windows.h, whose types it uses.
#include <sddl.h>
#include <winternl.h>

#include <direct.h>
#include <errno.h>
#include <io.h>
#include <stdlib.h>
#include <string.h>

#include <type_traits>

#include "fault_plan.h"

namespace {

struct HookInfo {
    Library library;
    const char* name;
    FailsWith fails;
    Key key;
};

constexpr HookInfo kHooks[] = {
#define TV_HOOK_INFO(library, name, fails, key, errors) {Library::library, #name, fails, key},
    TV_HOOKED_CALLS(TV_HOOK_INFO)
#undef TV_HOOK_INFO
};

FaultShared* g_shared = nullptr;
void* g_real[kHookCount];
uintptr_t g_lastHandle = 0;
uint32_t g_followSeen = 0;
uint32_t g_forGoodHook = kHookCount;
char g_forGoodPath[520];

int ErrnoFor(uint32_t error) {
    switch (error) {
        case kNotEnoughMemory: return ENOMEM;
        case kDiskFull: return ENOSPC;
        default: return EACCES;  // access denied, sharing violation
    }
}

void CopyPath(char (&to)[520], const char* path) {
    to[0] = '\0';
    if (path != nullptr) strncat(to, path, sizeof to - 1);
}

void RecordStretch(FaultRecord& record, uint32_t hook, uintptr_t handle, uint32_t call) {
    if (record.stretchCount > 0) {
        CallStretch& last = record.stretches[record.stretchCount - 1];
        if (kHooks[hook].key == Key::Handle && last.hook == hook && handle == g_lastHandle &&
            last.first + last.count == call) {
            ++last.count;
            return;
        }
    }
    g_lastHandle = handle;
    if (record.stretchCount < kMaxStretches) record.stretches[record.stretchCount] = {hook, call, 1};
    ++record.stretchCount;
}

// Counts one call of hook and returns the error to fail it with, or 0 to
// let it through. handle and path are its first argument, where its key says so.
uint32_t Decide(uint32_t hook, uintptr_t handle, const char* path) {
    FaultRecord& record = g_shared->record;
    const FaultPlan& plan = g_shared->plan;
    if (kHooks[hook].fails == FailsWith::Never) {
        if (!record.markerSeen) record.callsBeforeWinMain = record.calls;
        record.markerSeen = 1;
        return 0;
    }
    uint32_t call = ++record.calls;
    ++record.perHook[hook];
    if (!record.markerSeen) record.callsBeforeWinMain = call;
    RecordStretch(record, hook, handle, call);
    if (record.injected > 0) ++record.afterFirstFault[hook];

    if (call == plan.failAt) {
        ++record.injected;
        record.firstFaultHook = hook;
        return plan.error;
    }
    if (record.injected == 0 || plan.followAt == 0) return 0;
    // The system will not take the path either: what an unelevated run meets.
    if (plan.followHandOverFails && hook == kHook_MoveFileExA && g_forGoodHook != kHookCount && path != nullptr &&
        strcmp(path, g_forGoodPath) == 0) {
        ++record.injected;
        return kAccessDenied;
    }
    // A mask of 32 bits: the hooks past the 32nd never take part in the rollback.
    if (hook >= 32 || ((plan.followHooks >> hook) & 1) == 0) return 0;
    if (hook == g_forGoodHook && path != nullptr && strcmp(path, g_forGoodPath) == 0) {
        ++record.injected;
        return plan.followError;
    }
    if (++g_followSeen != plan.followAt) return 0;
    ++record.injected;
    record.followFaultHook = hook;
    CopyPath(record.followPath, path);
    if (plan.followForGood) {
        g_forGoodHook = hook;
        CopyPath(g_forGoodPath, path);
    }
    return plan.followError;
}

template <typename First, typename... Rest>
First FirstOf(First first, Rest...) {
    return first;
}

template <uint32_t I, typename... A>
uint32_t DecideCall(A... args) {
    uintptr_t handle = 0;
    const char* path = nullptr;
    if constexpr (kHooks[I].key == Key::Handle) handle = reinterpret_cast<uintptr_t>(FirstOf(args...));
    if constexpr (kHooks[I].key == Key::Path) path = FirstOf(args...);
    return Decide(I, handle, path);
}

template <typename R>
R FailValue(FailsWith fails, uint32_t error) {
    if constexpr (std::is_pointer<R>::value) {
        return fails == FailsWith::InvalidHandle ? reinterpret_cast<R>(INVALID_HANDLE_VALUE) : nullptr;
    } else {
        if (fails == FailsWith::NtStatus) return static_cast<R>(NtStatusOf(error));
        return fails == FailsWith::MinusOne ? static_cast<R>(-1) : R();
    }
}

// The replacement of import I, with the calling convention of its library.
// A pattern keeps the convention only through an alias; written out, the
// compiler drops it, and a system function would match no pattern on i686.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-attributes"
template <uint32_t I, bool Crt, typename F>
struct Replacement;

template <typename R, typename... A>
using WinapiFunction = R(WINAPI*)(A...);

template <uint32_t I, typename R, typename... A>
struct Replacement<I, false, WinapiFunction<R, A...>> {
    typedef R(WINAPI* Real)(A...);
    static R WINAPI Call(A... args) {
        uint32_t error = DecideCall<I>(args...);
        if (error == 0) return reinterpret_cast<Real>(g_real[I])(args...);
        if (kHooks[I].fails != FailsWith::NtStatus) SetLastError(error);
        return FailValue<R>(kHooks[I].fails, error);
    }
};

template <uint32_t I, typename R, typename... A>
struct Replacement<I, true, R (*)(A...)> {
    typedef R(__cdecl* Real)(A...);
    static R __cdecl Call(A... args) {
        uint32_t error = DecideCall<I>(args...);
        if (error == 0) return reinterpret_cast<Real>(g_real[I])(args...);
        errno = ErrnoFor(error);
        SetLastError(error);
        return FailValue<R>(kHooks[I].fails, error);
    }
};

void* const kReplacements[] = {
#define TV_HOOK_REPLACEMENT(library, name, fails, key, errors) \
    reinterpret_cast<void*>(&Replacement<kHook_##name, Library::library == Library::Msvcrt, decltype(&::name)>::Call),
    TV_HOOKED_CALLS(TV_HOOK_REPLACEMENT)
#undef TV_HOOK_REPLACEMENT
};
#pragma GCC diagnostic pop

typedef FARPROC(WINAPI* GetProcAddressFn)(HMODULE, LPCSTR);
GetProcAddressFn g_realGetProcAddress = nullptr;

// Calls looked up at run time (GetDiskFreeSpaceExA, say) are served the
// replacement as well.
FARPROC WINAPI HookedGetProcAddress(HMODULE module, LPCSTR name) {
    FARPROC real = g_realGetProcAddress(module, name);
    if (real == nullptr || HIWORD(reinterpret_cast<uintptr_t>(name)) == 0) return real;
    for (uint32_t i = 0; i < kHookCount; ++i) {
        if (strcmp(name, kHooks[i].name) != 0 || GetModuleHandleA(LibraryFile(kHooks[i].library)) != module)
            continue;
        g_real[i] = reinterpret_cast<void*>(real);
        return reinterpret_cast<FARPROC>(kReplacements[i]);
    }
    return real;
}

void WriteSlot(void** slot, void* value) {
    DWORD old;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old);
    *slot = value;
    VirtualProtect(slot, sizeof *slot, old, &old);
}

// Replaces the hooked imports of module; returns how many.
uint32_t ReplaceImports(HMODULE module) {
    BYTE* base = reinterpret_cast<BYTE*>(module);
    const IMAGE_NT_HEADERS* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    uint32_t replaced = 0;
    for (const IMAGE_IMPORT_DESCRIPTOR* dll =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imports.VirtualAddress != 0 && dll->Name != 0; ++dll) {
        const char* dllName = reinterpret_cast<const char*>(base + dll->Name);
        const IMAGE_THUNK_DATA* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(
            base + (dll->OriginalFirstThunk != 0 ? dll->OriginalFirstThunk : dll->FirstThunk));
        void** slots = reinterpret_cast<void**>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const char* name =
                reinterpret_cast<const char*>(reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
            if (_stricmp(dllName, "kernel32.dll") == 0 && strcmp(name, "GetProcAddress") == 0) {
                g_realGetProcAddress = reinterpret_cast<GetProcAddressFn>(*slots);
                WriteSlot(slots, reinterpret_cast<void*>(&HookedGetProcAddress));
                continue;
            }
            for (uint32_t i = 0; i < kHookCount; ++i) {
                if (_stricmp(dllName, LibraryFile(kHooks[i].library)) != 0 || strcmp(name, kHooks[i].name) != 0)
                    continue;
                g_real[i] = *slots;
                WriteSlot(slots, kReplacements[i]);
                ++replaced;
            }
        }
    }
    return replaced;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    char name[64];
    FaultMappingName(GetCurrentProcessId(), name);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (mapping == nullptr) return TRUE;  // not started by the driver: nothing to do
    g_shared = static_cast<FaultShared*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(FaultShared)));
    if (g_shared == nullptr) return TRUE;
    g_shared->record.hooksInstalled = ReplaceImports(GetModuleHandleA(nullptr));
    return TRUE;
}

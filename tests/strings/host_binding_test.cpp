// QvPrepareHostModule after an earlier call that stopped midway. Each case
// maps a fresh copy of the launcher as a library (left unprocessed, the
// way another module's import maps it), spoils the name of one imported
// function so that the first call stops at that import, checks that a
// second call still reports the failure, mends the name, and checks what
// the calls leave: every import bound and the image relocated once.
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "beside_program.h"
#include "module_check.h"
#include "qv_host_binding.h"
#include "scratch_folder.h"

namespace {

// A fresh mapping of a copy of the launcher beside this program; its
// folder removes the copy.
class HostCopy {
public:
    explicit HostCopy(const std::string& name) : folder_(name.c_str()) {
        std::string path = folder_ / (name + ".exe");
        if (CopyFileA(BesideTestProgram("setup.exe").c_str(), path.c_str(), FALSE)) module_ = LoadLibraryA(path.c_str());
    }
    ~HostCopy() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    HMODULE module() const { return module_; }

private:
    ScratchFolder folder_;
    HMODULE module_ = nullptr;
};

BYTE* Base(HMODULE m) { return reinterpret_cast<BYTE*>(m); }
IMAGE_NT_HEADERS* Headers(HMODULE m) {
    return reinterpret_cast<IMAGE_NT_HEADERS*>(Base(m) + reinterpret_cast<IMAGE_DOS_HEADER*>(m)->e_lfanew);
}
std::vector<IMAGE_IMPORT_DESCRIPTOR*> Imports(HMODULE m) {
    std::vector<IMAGE_IMPORT_DESCRIPTOR*> all;
    DWORD rva = Headers(m)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(Base(m) + rva); d->Name != 0; ++d) all.push_back(d);
    return all;
}

// Every pointer-sized slot the relocation table names, with its value.
std::vector<std::pair<ULONG_PTR*, ULONG_PTR>> RelocatedSlots(HMODULE m) {
    std::vector<std::pair<ULONG_PTR*, ULONG_PTR>> slots;
    const IMAGE_DATA_DIRECTORY& dir = Headers(m)->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC];
    for (DWORD at = 0; at < dir.Size;) {
        auto* block = reinterpret_cast<IMAGE_BASE_RELOCATION*>(Base(m) + dir.VirtualAddress + at);
        auto* entry = reinterpret_cast<WORD*>(block + 1);
        for (DWORD i = 0; i < (block->SizeOfBlock - sizeof *block) / 2; ++i) {
            if (entry[i] >> 12 == IMAGE_REL_BASED_ABSOLUTE) continue;
            auto* slot = reinterpret_cast<ULONG_PTR*>(Base(m) + block->VirtualAddress + (entry[i] & 0xFFF));
            slots.emplace_back(slot, *slot);
        }
        at += block->SizeOfBlock;
    }
    return slots;
}

// The first imported name of a descriptor, writable.
char* FirstName(HMODULE m, const IMAGE_IMPORT_DESCRIPTOR* d) {
    auto* lookup = reinterpret_cast<IMAGE_THUNK_DATA*>(Base(m) + d->OriginalFirstThunk);
    while (IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal)) ++lookup;
    char* name = reinterpret_cast<char*>(Base(m) + lookup->u1.AddressOfData + 2);
    DWORD old;
    VirtualProtect(name, 1, PAGE_READWRITE, &old);
    return name;
}

// The names of the imports whose slots do not hold what the system gives.
std::string WronglyBound(HMODULE m) {
    std::string wrong;
    for (const IMAGE_IMPORT_DESCRIPTOR* d : Imports(m)) {
        HMODULE dll = GetModuleHandleA(reinterpret_cast<const char*>(Base(m) + d->Name));
        auto* lookup = reinterpret_cast<IMAGE_THUNK_DATA*>(Base(m) + d->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(Base(m) + d->FirstThunk);
        for (; lookup->u1.AddressOfData != 0; ++lookup, ++slot) {
            const char* name = IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal)
                                   ? reinterpret_cast<const char*>(IMAGE_ORDINAL(lookup->u1.Ordinal))
                                   : reinterpret_cast<const char*>(Base(m) + lookup->u1.AddressOfData + 2);
            FARPROC want = dll != nullptr ? GetProcAddress(dll, name) : nullptr;
            if (want == nullptr || slot->u1.Function != reinterpret_cast<ULONG_PTR>(want)) {
                wrong += std::string(" ") + (IMAGE_SNAP_BY_ORDINAL(lookup->u1.Ordinal) ? "#ordinal" : name);
            }
        }
    }
    return wrong;
}

}  // namespace

int main() {
    const struct {
        const char* name;
        bool first;  // the spoiled import is in the first descriptor, else in the last
    } kCases[] = {
        {"stopped at the first imported DLL", true},
        {"stopped at the last imported DLL", false},
    };
    for (const auto& c : kCases) {
        HostCopy copy("qv_host_binding");
        HMODULE host = copy.module();
        std::string name(c.name);
        Check(host != nullptr, name + ": a copy of the launcher is mapped");
        if (host == nullptr) continue;
        LONG_PTR delta = reinterpret_cast<LONG_PTR>(host) - static_cast<LONG_PTR>(Headers(host)->OptionalHeader.ImageBase);
        std::vector<IMAGE_IMPORT_DESCRIPTOR*> imports = Imports(host);
        // Without these the case proves nothing.
        Check(delta != 0 && imports.size() >= 2 && !WronglyBound(host).empty(),
              name + ": the copy is mapped unprocessed, away from its preferred address");
        std::vector<std::pair<ULONG_PTR*, ULONG_PTR>> before = RelocatedSlots(host);

        char* spoiled = FirstName(host, c.first ? imports.front() : imports.back());
        char letter = *spoiled;
        *spoiled = '?';
        Check(!QvPrepareHostModule(host), name + ": the first call fails");
        Check(!QvPrepareHostModule(host), name + ": a second call still fails");
        *spoiled = letter;
        Check(QvPrepareHostModule(host) && QvPrepareHostModule(host), name + ": once mended, the calls succeed");

        std::string wrong = WronglyBound(host);
        Check(wrong.empty(), name + ": every import is bound; not bound:" + wrong);
        int relocated = 0;
        for (const auto& s : before) relocated += *s.first == s.second + static_cast<ULONG_PTR>(delta);
        Check(relocated == static_cast<int>(before.size()),
              name + ": " + std::to_string(before.size() - relocated) + " of " + std::to_string(before.size()) +
                  " relocated slots were not moved exactly once");
    }
    return CheckResult();
}

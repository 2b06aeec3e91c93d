// A program whose plug-ins come and go while the launcher executable stays
// mapped: an exception thrown in the launcher must reach every plug-in's
// handler. One situation per run, named by the first argument; the two
// plug-in DLLs (same preferred base) lie beside this program.
// Usage: qv_plugin_host at-freed-base|many PLUGIN_A PLUGIN_B
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "beside_program.h"
#include "module_check.h"
#include "qv_host_binding.h"
#include "qv_string.h"
#include "scratch_folder.h"

namespace {

// The plug-in's answer (see CatchFromHost), -1 when it lacks the function.
int CatchIn(HMODULE plugin) {
    typedef int(__cdecl * Fn)();
    Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(plugin, "CatchFromHost")));
    return fn != nullptr ? fn() : -1;
}

// p1 freed, then p2 loaded at p1's old base.
void AtFreedBase(const char* first, const char* second) {
    HMODULE p1 = LoadLibraryA(BesideTestProgram(first).c_str());
    Check(p1 != nullptr && CatchIn(p1) == 1, "the first plug-in catches the launcher's exception");
    FreeLibrary(p1);
    Check(GetModuleHandleA(first) == nullptr, "the first plug-in is unloaded");
    HMODULE p2 = LoadLibraryA(BesideTestProgram(second).c_str());
    // Without this the run below proves nothing.
    Check(p2 != nullptr && p2 == p1, "the second plug-in lands at the first one's old base");
    Check(p2 != nullptr && CatchIn(p2) == 1, "the second plug-in catches the launcher's exception");
    if (p2 != nullptr) FreeLibrary(p2);
}

// Copies of one plug-in under other names, all loaded at once; frees them
// when it goes, and its folder removes the files.
class LoadedCopies {
public:
    LoadedCopies(const char* plugin, int count) : folder_("qv_plugins_") {
        for (int i = 0; i < count; ++i) {
            std::string path = folder_ / ("plugin" + std::to_string(i) + ".dll");
            HMODULE m = CopyFileA(BesideTestProgram(plugin).c_str(), path.c_str(), FALSE) ? LoadLibraryA(path.c_str())
                                                                                           : nullptr;
            if (m != nullptr) modules_.push_back(m);
        }
    }
    ~LoadedCopies() {
        for (HMODULE m : modules_) FreeLibrary(m);
    }
    const std::vector<HMODULE>& modules() const { return modules_; }

private:
    ScratchFolder folder_;
    std::vector<HMODULE> modules_;
};

void Many(const char* plugin) {
    const int kCount = 24;  // well past any small fixed table
    LoadedCopies copies(plugin, kCount);
    Check(static_cast<int>(copies.modules().size()) == kCount, std::to_string(kCount) + " copies are loaded at once");
    int caught = 0;
    for (HMODULE m : copies.modules()) caught += CatchIn(m) == 1;
    Check(caught == kCount, std::to_string(caught) + " of " + std::to_string(kCount) + " plug-ins catch");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        printf("usage: qv_plugin_host at-freed-base|many PLUGIN_A PLUGIN_B\n");
        return 2;
    }
    // This program imports from the launcher too, so the launcher stays
    // mapped while the plug-ins come and go.
    if (!QvPrepareHostModule(GetModuleHandleA("setup.exe"))) {
        printf("FAILED: the launcher executable cannot be prepared for use\n");
        return 1;
    }
    QvString situation(argv[1]);
    if (situation == "at-freed-base") {
        AtFreedBase(argv[2], argv[3]);
    } else if (situation == "many") {
        Many(argv[2]);
    } else {
        printf("unknown situation %s\n", argv[1]);
        return 2;
    }
    return CheckResult();
}

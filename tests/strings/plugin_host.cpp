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

#include "qv_host_binding.h"
#include "qv_string.h"

namespace {

int g_failed = 0;

void Check(bool ok, const std::string& what) {
    printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
    fflush(stdout);
    if (!ok) ++g_failed;
}

std::string g_folder;  // this program's folder, with its final backslash

// The plug-in's answer (see CatchFromHost), -1 when it lacks the function.
int CatchIn(HMODULE plugin) {
    typedef int(__cdecl * Fn)();
    Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(plugin, "CatchFromHost")));
    return fn != nullptr ? fn() : -1;
}

// p1 freed, then p2 loaded at p1's old base.
void AtFreedBase(const char* first, const char* second) {
    HMODULE p1 = LoadLibraryA((g_folder + first).c_str());
    Check(p1 != nullptr && CatchIn(p1) == 1, "the first plug-in catches the launcher's exception");
    FreeLibrary(p1);
    Check(GetModuleHandleA(first) == nullptr, "the first plug-in is unloaded");
    HMODULE p2 = LoadLibraryA((g_folder + second).c_str());
    // Without this the run below proves nothing.
    Check(p2 != nullptr && p2 == p1, "the second plug-in lands at the first one's old base");
    Check(p2 != nullptr && CatchIn(p2) == 1, "the second plug-in catches the launcher's exception");
    if (p2 != nullptr) FreeLibrary(p2);
}

// Copies of one plug-in under other names, all loaded at once; frees and
// removes them when it goes.
class LoadedCopies {
public:
    LoadedCopies(const char* plugin, int count) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "qv_plugins_" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(folder_.c_str(), nullptr);
        for (int i = 0; i < count; ++i) {
            paths_.push_back(folder_ + "plugin" + std::to_string(i) + ".dll");
            HMODULE m = CopyFileA((g_folder + plugin).c_str(), paths_.back().c_str(), FALSE)
                            ? LoadLibraryA(paths_.back().c_str())
                            : nullptr;
            if (m != nullptr) modules_.push_back(m);
        }
    }
    ~LoadedCopies() {
        for (HMODULE m : modules_) FreeLibrary(m);
        for (const std::string& p : paths_) DeleteFileA(p.c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    const std::vector<HMODULE>& modules() const { return modules_; }

private:
    std::string folder_;
    std::vector<std::string> paths_;
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
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    g_folder.assign(self, n);
    g_folder.erase(g_folder.find_last_of('\\') + 1);
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
    return g_failed == 0 ? 0 : 1;
}

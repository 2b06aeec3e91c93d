// Entry point of the launcher.
#include <windows.h>

#include "command_tail.h"
#include "dll_search.h"
#include "main_sequence.h"
#include "process_globals.h"
#include "startup_guard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    EndStartupGuard();
    g_instance = instance;
    RestrictDllSearch();
    // Not the run-time library's tail: it cuts a quoted program name
    // followed directly by an argument ("setup.exe"/S) differently.
    return RunLauncher(instance, CommandTail(GetCommandLineA()));
}

// Entry point of the launcher.
#include <windows.h>

#include "launcher_globals.h"
#include "main_sequence.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
    g_instance = instance;
    RestrictDllSearch();
    return RunLauncher(instance, commandTail);
}

// Entry point of the launcher.
#include <windows.h>

#include "launcher_globals.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    g_instance = instance;
    return 0;
}

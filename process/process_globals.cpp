#include "process_globals.h"

HINSTANCE g_instance = nullptr;
int g_splashPaintPending = 1;
int g_splashOpen = 1;
bool g_nextStageLaunched = false;
void (*g_abandonRun)() = nullptr;

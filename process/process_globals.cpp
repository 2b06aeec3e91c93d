#include "process_globals.h"

HINSTANCE g_instance = nullptr;
int g_splashPaintPending = 1;
int g_splashOpen = 1;
volatile bool g_nextStageLaunched = false;
void (*g_closeAsked)() = nullptr;
void (*g_closeAnswered)(bool) = nullptr;
void (*g_sessionEnding)() = nullptr;

// The least a first stage can do: start the command line it was given (the
// next stage by its full path) and end. The launcher's start-up is measured
// beside it, so that what the platform costs anyway shows apart from what
// the launcher adds.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandTail, int) {
    return WinExec(commandTail, SW_SHOW) > 31 ? 0 : 1;
}

// Demo stand-in for the helper that the clean-up script calls first: it
// waits for the process whose id it gets as its argument to end, so that the
// script's deletions only start once the next stage has let go of its files.
// Bounded, so that a wrong id never leaves a script hanging.
#include <windows.h>

#include <stdlib.h>

namespace {
const DWORD kLongestWaitMs = 30000;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    char* end = nullptr;
    unsigned long id = strtoul(argv[1], &end, 10);
    if (end == argv[1] || *end != '\0') return 2;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    // A process that cannot be opened has most likely ended already.
    if (process == nullptr) return 0;
    DWORD waited = WaitForSingleObject(process, kLongestWaitMs);
    CloseHandle(process);
    return waited == WAIT_OBJECT_0 ? 0 : 1;
}

#include <windows.h>

#include "free_space.h"
#include "message_text.h"
#include "system_library.h"

double GetDriveFreeSpace(const char* root) {
    typedef BOOL(WINAPI * FreeSpaceExFn)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    // Looked up at run time: the oldest systems only have the 32-bit query.
    FreeSpaceExFn freeSpaceEx = ModuleFunction<FreeSpaceExFn>(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA");
    if (freeSpaceEx != nullptr) {
        ULARGE_INTEGER available, total;
        available.QuadPart = 0;
        freeSpaceEx(root, &available, &total, nullptr);
        return static_cast<double>(static_cast<long long>(available.QuadPart));
    }
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) return 0;
    return static_cast<double>(sectorsPerCluster) * static_cast<double>(bytesPerSector) *
           static_cast<double>(freeClusters);
}

void ShowNoSpaceMessage(const char* message) {
    MessageBoxA(nullptr, message, GetMessageText(kMessageCaption), MB_OK | MB_TOPMOST);
}

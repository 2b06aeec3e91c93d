#include "beside_program.h"

#include <windows.h>

std::string BesideTestProgram(const char* name) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n < MAX_PATH ? n : 0);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + name;
}

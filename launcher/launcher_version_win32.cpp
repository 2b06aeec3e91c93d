#include <windows.h>

#include "launcher_version.h"

namespace {

const WORD kVersionResourceId = 1;

}  // namespace

bool ModuleFileVersion(void* module, unsigned parts[4]) {
    HMODULE instance = static_cast<HMODULE>(module);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(kVersionResourceId), RT_VERSION);
    HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
    const unsigned char* block = loaded != nullptr ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    return block != nullptr && FileVersionOf(block, SizeofResource(instance, found), parts);
}

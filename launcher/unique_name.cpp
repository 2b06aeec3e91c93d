#include "unique_name.h"

#include <io.h>

#include "system_clock.h"

namespace {

int g_generatorSeeded = 0;
uint32_t g_generatorState = 1;

void SeedOnce() {
    if (!g_generatorSeeded) SeedUniqueNames(SystemMilliseconds());
}

enum class Claim { Taken, Exists, Failed };

// Tries the candidates in order; claim decides for each one.
template <typename ClaimFn>
QvString FirstFree(const QvString& pattern, ClaimFn claim) {
    SeedOnce();
    QvString candidate;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        int number = attempt == 0 ? 0 : NextUniqueNumber();
        candidate.Format(pattern, number);
        Claim result = claim(candidate);
        if (result == Claim::Taken) return candidate;
        if (result == Claim::Failed) break;
    }
    return QvString();
}

}  // namespace

void SeedUniqueNames(uint32_t seed) {
    g_generatorState = seed;
    g_generatorSeeded = 1;
}

int NextUniqueNumber() {
    g_generatorState = g_generatorState * 214013u + 2531011u;
    return static_cast<int>((g_generatorState >> 16) & 0x7FFF);
}

bool UniqueNamesSeeded() { return g_generatorSeeded != 0; }

QvString MakeUniqueName(QvString pattern) {
    return FirstFree(pattern, [](const QvString& name) {
        return _access(name, 0) == 0 ? Claim::Exists : Claim::Taken;
    });
}

QvString ReserveUniqueFolder(QvString pattern, FolderList* createdFolders, SECURITY_ATTRIBUTES* security) {
    QvString name = FirstFree(pattern, [security](const QvString& candidate) {
        if (CreateDirectoryA(candidate, security)) return Claim::Taken;
        DWORD error = GetLastError();
        // Something of that name is there already (a folder or a file): the next one.
        return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS || error == ERROR_ACCESS_DENIED
                   ? Claim::Exists
                   : Claim::Failed;
    });
    if (!name.IsEmpty() && createdFolders != nullptr) {
        try {
            createdFolders->AddFront(name);
        } catch (...) {
            // Unrecorded, nobody would remove it: it goes again at once.
            RemoveDirectoryA(name);
            throw;
        }
    }
    return name;
}

QvString ReserveUniqueFile(QvString pattern, SECURITY_ATTRIBUTES* security) {
    return FirstFree(pattern, [security](const QvString& candidate) {
        // The script is opened again later to be written (CREATE_ALWAYS);
        // opening an existing file keeps the descriptor it was created with.
        HANDLE h = CreateFileA(candidate, GENERIC_WRITE, 0, security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return Claim::Taken;
        }
        DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED
                   ? Claim::Exists
                   : Claim::Failed;
    });
}

QvString EscapePercent(const char* text) {
    QvString escaped(text);
    escaped.Replace("%", "%%");
    return escaped;
}

#include "unique_name.h"

#include <io.h>
#include <stdint.h>

#include "system_clock.h"

namespace {

// The most candidates one name tries.
const int kCandidates = 1000;
// The mode of _access that asks whether a path exists.
const int kExists = 0;

int g_generatorSeeded = 0;
uint32_t g_generatorState = 1;

void SeedOnce() {
    if (g_generatorSeeded) return;
    g_generatorState = SystemMilliseconds();
    g_generatorSeeded = 1;
}

int NextUniqueNumber() {
    g_generatorState = g_generatorState * 214013u + 2531011u;
    return static_cast<int>((g_generatorState >> 16) & 0x7FFF);
}

// What trying a candidate came to: it is ours, something of its name is
// there already, or trying any further would fail as well.
enum class Claim { Ours, InUse, Failed };

// What a create that failed with error says of its candidate: something of
// that name is there already (a folder or a file), so the next one is
// tried, or trying any further would fail as well.
Claim ClaimAfterFailedCreate(unsigned long error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS || error == ERROR_ACCESS_DENIED
               ? Claim::InUse
               : Claim::Failed;
}

// Tries the candidates in order; claim decides for each one.
template <typename ClaimFn>
QvString FirstFree(const QvString& pattern, ClaimFn claim) {
    SeedOnce();
    QvString candidate;
    for (int attempt = 0; attempt < kCandidates; ++attempt) {
        int number = attempt == 0 ? 0 : NextUniqueNumber();
        candidate.Format(pattern, number);
        Claim result = claim(candidate);
        if (result == Claim::Ours) return candidate;
        if (result == Claim::Failed) break;
    }
    return QvString();
}

}  // namespace

QvString MakeUniqueName(QvString pattern) {
    return FirstFree(pattern, [](const QvString& name) {
        return _access(name, kExists) == 0 ? Claim::InUse : Claim::Ours;
    });
}

QvString ReserveUniqueFolder(QvString pattern, FolderList* createdFolders, SECURITY_ATTRIBUTES* security,
                             FolderHold* hold) {
    QvString name = FirstFree(pattern, [security, hold](const QvString& candidate) {
        unsigned long error = hold->Create(candidate, security);
        return error == 0 ? Claim::Ours : ClaimAfterFailedCreate(error);
    });
    if (!name.IsEmpty() && createdFolders != nullptr) {
        try {
            createdFolders->AddFront(name);
        } catch (...) {
            // Unrecorded, nobody would remove it: it goes again at once.
            hold->Release();
            RemoveDirectoryA(name);
            throw;
        }
    }
    return name;
}

QvString ReserveUniqueFile(QvString pattern, SECURITY_ATTRIBUTES* security, HANDLE* file) {
    *file = INVALID_HANDLE_VALUE;
    return FirstFree(pattern, [security, file](const QvString& candidate) {
        // Kept open, unshared, for writing: a file closed and opened again
        // by name could be another one by then.
        HANDLE h = CreateFileA(candidate, GENERIC_WRITE, 0, security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            *file = h;
            return Claim::Ours;
        }
        return ClaimAfterFailedCreate(GetLastError());
    });
}

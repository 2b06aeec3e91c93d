#include "e2e_support.h"

#include "scratch_folder.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

namespace {

E2eSettings g_settings;

void ListInto(const std::string& folder, const std::string& prefix, bool deep, std::vector<std::string>* names) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            names->push_back(prefix + name + "\\");
            if (deep) ListInto(folder + "\\" + name, prefix + name + "\\", deep, names);
        } else {
            names->push_back(prefix + name);
        }
    } while (FindNextFileA(h, &found));
    FindClose(h);
}

struct VisibleDialog {
    DWORD processId;
    const std::string* caption;
    HWND window;
    int button = 0;  // a control the dialog must have, when not 0
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
    VisibleDialog* wanted = reinterpret_cast<VisibleDialog*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != wanted->processId || !IsWindowVisible(window)) return TRUE;
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") != 0) return TRUE;
    char caption[256] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if (*wanted->caption != caption) return TRUE;
    if (wanted->button != 0 && GetDlgItem(window, wanted->button) == nullptr) return TRUE;
    wanted->window = window;
    return FALSE;
}

struct DialogParts {
    std::vector<std::string> texts;
    bool icon = false;
};

BOOL CALLBACK CollectStatics(HWND child, LPARAM param) {
    DialogParts* parts = reinterpret_cast<DialogParts*>(param);
    char className[64] = {};
    GetClassNameA(child, className, sizeof className);
    if (_stricmp(className, "Static") != 0 || !IsWindowVisible(child)) return TRUE;
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        // A box without an icon may still have the control, but empty.
        DWORD_PTR icon = 0;
        if (SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &icon) && icon != 0) parts->icon = true;
        return TRUE;
    }
    // Asked by message, so that the text comes from the control itself.
    char text[2048] = {};
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                            &length) &&
        length > 0)
        parts->texts.push_back(std::string(text, length));
    return TRUE;
}

}  // namespace

const E2eSettings& Settings() { return g_settings; }

bool ParseSettings(int* argc, char** argv, std::string* error) {
    struct Option {
        const char* name;
        std::string* value;
        bool required;
    };
    std::string smallDrivePrivate;
    Option options[] = {
        {"--launcher=", &g_settings.launcher, true},
        {"--zoratrel=", &g_settings.zoratrel, true},
        {"--kestavon=", &g_settings.kestavon, true},
        {"--payload=", &g_settings.payload, true},
        {"--tiles=", &g_settings.tiles, true},
        {"--language=", &g_settings.language, false},
        {"--small-drive=", &g_settings.smallDrive, false},
        {"--small-drive-private=", &smallDrivePrivate, false},
        {"--few-inodes-drive=", &g_settings.fewInodesDrive, false},
        {"--full-folder=", &g_settings.fullFolder, false},
    };
    int kept = 1;
    for (int i = 1; i < *argc; ++i) {
        bool taken = false;
        for (Option& option : options) {
            size_t n = strlen(option.name);
            if (strncmp(argv[i], option.name, n) == 0) {
                *option.value = argv[i] + n;
                taken = true;
            }
        }
        if (!taken) argv[kept++] = argv[i];
    }
    *argc = kept;
    argv[kept] = nullptr;
    for (Option& option : options) {
        if (option.required && option.value->empty()) {
            *error = std::string("missing option ") + option.name + "PATH";
            return false;
        }
    }
    for (std::string* path : {&g_settings.launcher, &g_settings.zoratrel, &g_settings.kestavon, &g_settings.payload,
                              &g_settings.tiles})
        *path = DosPath(*path);
    if (g_settings.language.empty()) g_settings.language = "en";
    g_settings.smallDrivePrivate = smallDrivePrivate == "yes";
    return true;
}

std::string DosPath(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    std::string dos = "Z:" + path;
    std::replace(dos.begin(), dos.end(), '/', '\\');
    return dos;
}

namespace {
std::string ScratchRoot() {
    static std::string root;
    if (root.empty()) {
        char temp[MAX_PATH];
        DWORD n = GetTempPathA(MAX_PATH, temp);
        root = std::string(temp, n > 0 && n < MAX_PATH ? n : 0) + "tv-e2e-" + std::to_string(GetCurrentProcessId());
        ScratchFolder::RemoveTree(root);
        CreateDirectoryA(root.c_str(), nullptr);
    }
    return root;
}
}  // namespace

std::string ScratchFolder(const std::string& name) {
    std::string folder = ScratchRoot() + "\\" + name;
    ScratchFolder::RemoveTree(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void RemoveScratch() { ScratchFolder::RemoveTree(ScratchRoot()); }

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ReadBytes(const std::string& path, bool* found) {
    std::string bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (found != nullptr) *found = f != nullptr;
    if (f == nullptr) return bytes;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    fclose(f);
    return bytes;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    bool written = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && written;
}

std::vector<std::string> ListTree(const std::string& folder) {
    std::vector<std::string> names;
    ListInto(folder, "", true, &names);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    ListInto(folder, "", false, &names);
    std::sort(names.begin(), names.end());
    return names;
}


std::vector<std::string> ArchiveNames(const char* const* names) {
    std::vector<std::string> list;
    for (; *names != nullptr; ++names) list.push_back(*names);
    return list;
}

std::vector<PayloadFile> ExpectedPayload(const std::vector<std::string>& archives) {
    std::vector<PayloadFile> files;
    for (const std::string& archive : archives) {
        std::string folder = Settings().payload + "\\" + archive;
        std::vector<PayloadFile> inArchive;
        for (const std::string& name : ListTree(folder)) {
            // Folders come with their files; .keep files only keep empty folders in version control.
            if (name.back() == '\\') continue;
            std::string leaf = name.substr(name.find_last_of('\\') + 1);
            if (leaf == ".keep") continue;
            inArchive.push_back({archive, name, folder + "\\" + name});
        }
        // What the build adds on top of the folder.
        if (archive == "BASE") inArchive.push_back({archive, "data\\tiles.dat", Settings().tiles});
        if (archive == "SETUPBASE") {
            inArchive.push_back({archive, "Zoratrel.exe", Settings().zoratrel});
            inArchive.push_back({archive, "Kestavon.exe", Settings().kestavon});
        }
        std::sort(inArchive.begin(), inArchive.end(),
                  [](const PayloadFile& a, const PayloadFile& b) { return a.name < b.name; });
        files.insert(files.end(), inArchive.begin(), inArchive.end());
    }
    return files;
}

std::wstring Wide(const std::string& text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string Ansi(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string ansi(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &ansi[0], n, nullptr, nullptr);
    return ansi;
}

EnvironmentBlock EnvironmentBlock::Current() {
    EnvironmentBlock block;
    wchar_t* strings = GetEnvironmentStringsW();
    for (const wchar_t* p = strings; *p != L'\0'; p += wcslen(p) + 1) {
        // Entries such as "=C:=C:\..." keep their leading '='.
        const wchar_t* equals = wcschr(p + 1, L'=');
        if (equals == nullptr) continue;
        block.values_[std::wstring(p, equals)] = equals + 1;
    }
    FreeEnvironmentStringsW(strings);
    return block;
}

void EnvironmentBlock::Set(const std::string& name, const std::wstring& value) { values_[Wide(name)] = value; }

void EnvironmentBlock::Remove(const std::string& name) { values_.erase(Wide(name)); }

std::wstring EnvironmentBlock::Block() const {
    std::wstring block;
    for (const auto& entry : values_) {
        block += entry.first + L"=" + entry.second;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

ChildProcess::~ChildProcess() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool ChildProcess::Start(const std::wstring& program, const std::wstring& commandLine,
                         const EnvironmentBlock& environment, int showCommand) {
    std::wstring buffer = commandLine;
    std::wstring block = environment.Block();
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION info;
    startTime_ = SystemTimeNow();
    if (!CreateProcessW(program.c_str(), &buffer[0], nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, &block[0],
                        nullptr, &startup, &info))
        return false;
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    id_ = info.dwProcessId;
    return true;
}

bool ChildProcess::Wait(DWORD milliseconds) { return process_ != nullptr && WaitDispatching(process_, milliseconds); }

DWORD ChildProcess::ExitCode() const {
    DWORD code = 0xFFFFFFFF;
    if (process_ != nullptr) GetExitCodeProcess(process_, &code);
    return code;
}

bool WaitDispatching(HANDLE handle, DWORD milliseconds) {
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= milliseconds) return handle != nullptr && WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        DWORD result = MsgWaitForMultipleObjects(handle != nullptr ? 1 : 0, &handle, FALSE, milliseconds - elapsed,
                                                 QS_ALLINPUT);
        if (handle != nullptr && result == WAIT_OBJECT_0) return true;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

bool FindMessageBox(DWORD processId, const std::string& caption, DWORD milliseconds, MessageBoxWindow* found) {
    VisibleDialog wanted = {processId, &caption, nullptr};
    if (!WaitUntil(
            [&] {
                EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&wanted));
                return wanted.window != nullptr;
            },
            milliseconds))
        return false;
    DialogParts parts;
    // The text control may get its text a moment after the box shows.
    WaitUntil(
        [&] {
            parts = DialogParts();
            EnumChildWindows(wanted.window, CollectStatics, reinterpret_cast<LPARAM>(&parts));
            return !parts.texts.empty();
        },
        2000);
    found->window = wanted.window;
    found->text = parts.texts.size() == 1 ? parts.texts[0] : std::string();
    found->showsIcon = parts.icon;
    return true;
}

void PressOk(HWND messageBox) { PostMessageA(messageBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

HWND FindDialogWithButton(DWORD processId, const std::string& caption, int button, DWORD milliseconds) {
    VisibleDialog wanted = {processId, &caption, nullptr, button};
    WaitUntil(
        [&] {
            EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&wanted));
            return wanted.window != nullptr;
        },
        milliseconds);
    return wanted.window;
}

HWND FindSplashWindow(DWORD processId) {
    const std::string untitled;
    VisibleDialog wanted = {processId, &untitled, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&wanted));
    return wanted.window;
}

ULONGLONG SystemTimeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER value;
    value.LowPart = now.dwLowDateTime;
    value.HighPart = now.dwHighDateTime;
    return value.QuadPart;
}

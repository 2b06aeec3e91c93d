#include "main_sequence.h"

#include <direct.h>
#include <string.h>

#include <memory>
#include <new>
#include <vector>

#include "archive_extraction.h"
#include "cleanup_script.h"
#include "failure_text.h"
#include "folder_list.h"
#include "free_space.h"
#include "launcher_globals.h"
#include "message_text.h"
#include "qv_stream_exception.h"
#include "qv_string.h"
#include "self_check.h"
#include "splash_window.h"
#include "start_inputs.h"
#include "system_clock.h"
#include "unique_name.h"

namespace {

const char kSetupWindowClass[] = "AfxFrameOrView42";
const char kSetupWindowTitle[] = "Tessaroven Setup";
const UINT kNoSpaceStyle = 0x40000;  // MB_OK | MB_TOPMOST, no icon
const char kNextStageProgram[] = "Zoratrel.exe";
const char kCommandFormat[] =
    "Zoratrel.exe TVSetup SetupProgram=TVMirva Basic=Yes Wnd=Normal Server=None Wnd=Maximized "
    "ResourceFile=\"%s\" CleanUp=\"%s\" %s";
const DWORD kFinalWaitMs = 5000;
// As long as WinExec gives a started program to come up.
const DWORD kNextStageIdleMs = 30000;
const DWORD kIdleSliceMs = 50;

// Takes and dispatches at most one message of any window, without blocking.
void PumpOneMessage() {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool BringExistingSetupToFront() {
    HWND window = FindWindowA(kSetupWindowClass, kSetupWindowTitle);
    if (window == nullptr) return false;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    return true;
}

// The temporary folder, always of the form letter, colon, backslash, ... and
// ending in a backslash.
void ReadTempFolder(char (&folder)[MAX_PATH]) {
    static_assert(MAX_PATH == kPlatformPathBuffer, "one path buffer size");
    KeepUsableTempFolder(folder, GetTempPathA(MAX_PATH, folder));
}

// Remembers every file the run may have created, and writes the script's
// "del" line for each one that is complete.
class ScriptingObserver final : public ExtractionObserver {
public:
    // The script that gets the "del" lines; set before the first entry.
    void SetScript(CleanupScript* script) { script_ = script; }
    void EntryStarting(const QvString& targetPath) override {
        touched_.push_back(targetPath);
        unpacking_ = targetPath;
    }
    void EntryExtracted(const QvString& targetPath) override {
        unpacking_.Empty();
        script_->WriteDelete(targetPath);
    }
    const std::vector<QvString>& Touched() const { return touched_; }
    // The entry being unpacked, empty between entries: the file a failure
    // without a path of its own (a write, a close) concerns, if not the script.
    const QvString& Unpacking() const { return unpacking_; }

private:
    CleanupScript* script_ = nullptr;
    std::vector<QvString> touched_;
    QvString unpacking_;
};

// What went wrong while preparing the files, for the user's report.
struct Failure {
    QvString file;
    int code = 0;
};

// The entry being unpacked when the failure came, otherwise the script.
QvString FileBeingWritten(const ScriptingObserver& observer, const QvString& scriptPath) {
    return observer.Unpacking().IsEmpty() ? scriptPath : observer.Unpacking();
}

void Describe(const QvStreamException& e, const QvString& fallbackFile, Failure* failure) {
    failure->code = e.Code();
    failure->file = e.Detail() != nullptr ? QvString(e.Detail()) : fallbackFile;
}

// Removes what this run created, newest first: the files it unpacked or
// started to unpack, the folders it created, and the script.
void RemoveCreated(const std::vector<QvString>& files, const FolderList& folders, const QvString& scriptPath) {
    for (size_t i = files.size(); i-- > 0;) {
        SetFileAttributesA(files[i], FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(files[i]);
    }
    for (const QvString& folder : folders) RemoveDirectoryA(folder);
    if (!scriptPath.IsEmpty()) DeleteFileA(scriptPath);
}

void ReportFailure(const Failure& failure) {
    QvString text;
    text.Format(GetFailureReportText(), static_cast<const char*>(failure.file), failure.code);
    MessageBoxA(nullptr, text, GetMessageText(0), MB_OK | MB_ICONERROR | MB_TOPMOST);
}

// Waits, as WinExec does, until the started program first waits for input
// (its window is up) or has ended, for at most kNextStageIdleMs, so that the
// splash stays until there is something else to see. Messages sent to the
// splash meanwhile are answered, so that a program that sends to it while
// it starts is not kept waiting; nothing is taken from the queue.
void WaitUntilInputIdle(HANDLE process) {
    DWORD start = GetTickCount();
    for (;;) {
        // Idle, ended, or a program without a message queue.
        if (WaitForInputIdle(process, kIdleSliceMs) != WAIT_TIMEOUT) return;
        if (GetTickCount() - start >= kNextStageIdleMs) return;
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// Starts the next stage by its full path, so that no program of the same
// name elsewhere (next to the downloaded launcher, say) can stand in for it.
void StartNextStage(const QvString& workFolder, const QvString& command) {
    QvString program = workFolder + kNextStageProgram;
    QvString commandLine = command;  // CreateProcessA may write into its command line
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION process;
    if (CreateProcessA(program, commandLine.GetBuffer(0), nullptr, nullptr, FALSE, 0, nullptr, workFolder,
                       &startup, &process)) {
        WaitUntilInputIdle(process.hProcess);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

// Steps from the names to the finished script. Throws stream failures as
// they come; fills the names and the lists that a clean-up needs.
void PrepareFiles(const char* tempFolder, QvString& scriptPath, QvString& workFolder, FolderList& folders,
                  ScriptingObserver& observer, std::unique_ptr<CleanupScript>& script) {
    QvString escaped = EscapePercent(tempFolder);
    scriptPath = ReserveUniqueFile(escaped + "%d.bat");
    // No free name: the report names the folder where none could be created.
    if (scriptPath.IsEmpty()) throw new QvStreamException(QvStreamException::OpenFailed, tempFolder);
    QvString folder = ReserveUniqueFolder(escaped + "TVQSetup%d", &folders);
    if (folder.IsEmpty()) throw new QvStreamException(QvStreamException::OpenFailed, tempFolder);
    workFolder = folder + "\\";

    script.reset(new CleanupScript(scriptPath));
    script->WriteFirstText(workFolder);
    observer.SetScript(script.get());
    ResourceArchiveSource archives(g_instance);
    ExtractArchives(archives, kExtractedArchives, workFolder, &folders, &observer);
    script->WriteRemoveFolders(folders);
    script->Finish();
}

}  // namespace

void RestrictDllSearch() {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SetDefaultDllDirectoriesFn setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Where that call is missing, at least the current folder leaves the search.
    SetDllDirectoryA("");
}

int RunLauncher(HINSTANCE instance, const char* commandTail) {
    g_instance = instance;
    if (BringExistingSetupToFront()) return kExitLaunched;

    g_splashPaintPending = 1;
    HWND splash = CreateSplashWindow();
    while (g_splashPaintPending) PumpOneMessage();
    if (LauncherFileIsDamaged(instance)) {
        // The splash goes first: closing it behind the message would end the run with 0.
        DestroyWindow(splash);
        ReportDamagedLauncher(instance);
        return kExitPreparationFailed;
    }

    char tempFolder[MAX_PATH];
    ReadTempFolder(tempFolder);
    char drive[3] = {tempFolder[0], ':', '\0'};

    double freeSpace = GetDriveFreeSpace(drive);
    if (!EnoughFreeSpace(freeSpace)) {
        MessageBoxA(nullptr, NoSpaceMessage(drive, freeSpace), GetMessageText(0), kNoSpaceStyle);
        return kExitNoSpace;
    }

    FolderList folders;
    QvString scriptPath, workFolder;
    ScriptingObserver observer;
    std::unique_ptr<CleanupScript> script;
    Failure failure;
    bool failed = true;
    try {
        PrepareFiles(tempFolder, scriptPath, workFolder, folders, observer, script);
        failed = false;
    } catch (QvStreamException* e) {
        Describe(*e, FileBeingWritten(observer, scriptPath), &failure);
        delete e;
    } catch (const QvStreamException& e) {
        Describe(e, FileBeingWritten(observer, scriptPath), &failure);
    } catch (const std::bad_alloc&) {
        failure.file = FileBeingWritten(observer, scriptPath);
        failure.code = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (failed) {
        script.reset();  // closes the script, so that it can be deleted
        RemoveCreated(observer.Touched(), folders, scriptPath);
        // Closing the splash while the report is up would end the run with
        // 0 (the user's confirmed abandon): a failed run must end with 2.
        DestroyWindow(splash);
        ReportFailure(failure);
        return kExitPreparationFailed;
    }

    _chdir(workFolder);
    char modulePath[MAX_PATH];
    GetModuleFileNameA(g_instance, modulePath, MAX_PATH);
    QvString command;
    command.Format(kCommandFormat, modulePath, static_cast<const char*>(scriptPath), commandTail);
    g_nextStageLaunched = true;
    StartNextStage(workFolder, command);
    DestroyWindow(splash);

    DWORD start = SystemMilliseconds();
    while (g_splashOpen && SystemMilliseconds() < start + kFinalWaitMs) PumpOneMessage();
    return kExitLaunched;
}

#include <windows.h>

#include <io.h>

#include <memory>

#include "cleanup_script.h"
#include "payload_archives.h"
#include "qv_file_stream.h"

namespace {

// The mode of _access that asks whether a file can be read; on this
// platform every existing file can.
const int kReadable = 4;

// path in a form the script can name: the short form of an existing path
// whose characters the OEM code page cannot hold, else path itself.
QvString PathForScript(const QvString& path) {
    if (SurvivesOemCodePage(path)) return path;
    // The short name is plain ASCII and names the same file.
    DWORD n = GetShortPathNameA(path, nullptr, 0);
    if (n == 0) return path;
    QvString shortPath;
    DWORD got = GetShortPathNameA(path, shortPath.GetBuffer(static_cast<int>(n)), n);
    shortPath.ReleaseBuffer(got > 0 && got < n ? static_cast<int>(got) : 0);
    return shortPath.IsEmpty() ? path : shortPath;
}

}  // namespace

CleanupScript::CleanupScript(const QvString& path, void* file) : path_(path), stream_(nullptr) {
    // The stream closes the handle only when told to, in Finish or Close.
    stream_ = new QvFileStream(file);
}

CleanupScript::~CleanupScript() { Close(); }

void CleanupScript::WriteLine(const QvString& line) {
    stream_->Write(static_cast<const char*>(line), static_cast<uint32_t>(line.GetLength()));
}

void CleanupScript::WriteFirstText(const QvString& workFolder) {
    QvString kestavon = workFolder + kCleanUpHelper + ".exe";
    bool present = _access(kestavon, kReadable) == 0;
    WriteLine(ScriptFirstText(PathForScript(workFolder), present));
}

void CleanupScript::WriteDelete(const QvString& path) { WriteLine(ScriptDeleteLine(PathForScript(path))); }

void CleanupScript::WriteRemoveFolders(const FolderList& folders) {
    for (const QvString& folder : folders) WriteLine(ScriptRemoveFolderLine(PathForScript(folder)));
}

void CleanupScript::Finish() {
    WriteLine(ScriptDeleteLine(PathForScript(path_)));
    std::unique_ptr<QvFileStream> stream(stream_);
    stream_ = nullptr;
    stream->Close();  // may throw CloseFailed; the handle is gone either way
}

void CleanupScript::Close() {
    if (stream_ == nullptr) return;
    QvFileStream* stream = stream_;
    stream_ = nullptr;
    DiscardFileStream(stream);
}

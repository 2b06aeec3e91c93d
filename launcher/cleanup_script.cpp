#include "cleanup_script.h"

#include <string.h>

#include "payload_archives.h"

namespace {

// Characters on which the command interpreter splits a line or acts.
const char kNeedQuotes[] = " \t&()[]{}^=;!'+,`~<>|";

bool NeedsQuotes(const char* path) { return strpbrk(path, kNeedQuotes) != nullptr; }

// path as the command interpreter must read it in a batch line: percent
// signs doubled, the whole path in double quotes when it holds a blank or
// another character the interpreter would split or act on, and the bytes
// translated from the ANSI into the OEM code page. Plain ASCII paths come
// back unchanged.
QvString BatchPath(const char* path) {
    QvString batch(path);
    batch.Replace("%", "%%");
    if (NeedsQuotes(path)) batch = "\"" + batch + "\"";
    batch.CharToOemA();
    return batch;
}

}  // namespace

bool SurvivesOemCodePage(const char* text) {
    QvString there(text);
    there.CharToOemA();
    there.OemToCharA();
    return there == text;
}

QvString ScriptFirstText(const char* workFolder, bool kestavonPresent) {
    QvString text;
    if (kestavonPresent) {
        text.Format("cd \\\r\n");
        return text;
    }
    QvString program(workFolder);
    program += kCleanUpHelper;
    text.Format("cd \\\r\n%s %%1\r\n", static_cast<const char*>(BatchPath(program)));
    return text;
}

QvString ScriptDeleteLine(const char* path) {
    QvString line;
    line.Format("del %s\r\n", static_cast<const char*>(BatchPath(path)));
    return line;
}

QvString ScriptRemoveFolderLine(const char* path) {
    QvString line;
    line.Format("rmdir %s\r\n", static_cast<const char*>(BatchPath(path)));
    return line;
}

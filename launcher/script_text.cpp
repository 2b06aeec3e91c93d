#include "script_text.h"

#include <string.h>

namespace {

// Characters on which the command interpreter splits a line or acts.
const char kNeedQuotes[] = " \t&()[]{}^=;!'+,`~<>|";

bool NeedsQuotes(const char* path) { return strpbrk(path, kNeedQuotes) != nullptr; }

}  // namespace

bool SurvivesOemCodePage(const char* text) {
    QvString there(text);
    there.CharToOemA();
    there.OemToCharA();
    return there == text;
}

QvString BatchPath(const char* path) {
    QvString batch(path);
    batch.Replace("%", "%%");
    if (NeedsQuotes(path)) batch = "\"" + batch + "\"";
    batch.CharToOemA();
    return batch;
}

QvString ScriptFirstText(const char* workFolder, bool kestavonPresent) {
    QvString text;
    if (kestavonPresent) {
        text.Format("cd \\\r\n");
        return text;
    }
    QvString program(workFolder);
    program += "Kestavon";
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

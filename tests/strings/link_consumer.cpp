// A module of its own that uses QvString only through the launcher
// executable's exports, the way the package's other modules do.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "module_check.h"
#include "qv_host_binding.h"
#include "qv_string.h"
#include "zero_length_writers.h"

namespace {

// Reaches the exported protected members the way a derived class of another module would.
struct Probe : QvString {
    using QvString::QvString;
    int Count() const { return GetData()->refCount; }
    const QvStringData* Block() const { return GetData(); }
};

// Fails inside the launcher while a copy of shared is alive in this frame.
__attribute__((noinline)) void FailWhileHoldingACopy(const QvString& shared) {
    QvString copy(shared);
    QvString message;
    message.FormatMessageA("");  // the platform formats nothing: the member throws
}

}  // namespace

int main() {
    HMODULE host = GetModuleHandleA("setup.exe");
    Check(host != nullptr, "the launcher executable is mapped into this process");
    Check(QvPrepareHostModule(host), "the launcher executable can be prepared for use");
    if (g_checksFailed != 0) return CheckResult();

    // The class's code runs in the launcher module, not here.
    HMODULE codeModule = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&QvGetEmptyString), &codeModule);
    Check(codeModule == host, "QvGetEmptyString lives in the launcher executable");

    Probe empty;
    Check(empty.Block() == static_cast<const Probe&>(QvGetEmptyString()).Block(),
          "a default string points at the launcher's shared empty block");
    Check(empty.Count() == -2, "the shared empty block carries -2");

    Probe a("Tessaroven");
    Probe b(a);
    Check(a.Block() == b.Block() && a.Count() == 2, "a copy shares the block");
    b.SetAt(0, 't');
    Check(a.Count() == 1 && strcmp(a, "Tessaroven") == 0 && strcmp(b, "tessaroven") == 0,
          "a write gives the copy a block of its own");

    QvString path;
    path.Format("%s\\TVQSetup%d\\", "C:\\TEMP", 7);
    Check(strcmp(path, "C:\\TEMP\\TVQSetup7\\") == 0, "Format across the module boundary");
    Check(path.Find("TVQ") == 8 && path.ReverseFind('\\') == path.GetLength() - 1, "searching");
    QvString joined = QvString("del \"") + path + "x.bin\"";
    Check(joined == "del \"C:\\TEMP\\TVQSetup7\\x.bin\"", "concatenation and comparison");
    Check(joined.Replace("\\", "/") == 3 && joined.Right(6) == "x.bin\"", "Replace and Right");
    QvString message;
    message.FormatMessageA("%1 and %2", "x", "y");
    Check(strcmp(message, "x and y") == 0, "FormatMessageA");

    // Every writer on a copy that shares a block kept at length 0 (here after
    // trimming): the copy must not write into the launcher's read-only empty block.
    for (const ZeroLengthWriter& c : kZeroLengthWriters) {
        Probe kept("   ");
        kept.TrimRight();
        const QvStringData* own = kept.Block();
        Probe copy(kept);
        c.op(copy);
        Check(kept.Block() == own && kept.Count() == 1 && kept.GetLength() == 0 && copy.Block() != own &&
                  strcmp(copy, c.expected) == 0 && copy.GetLength() == static_cast<int>(strlen(c.expected)),
              (std::string(c.name) + " on a copy of a zero-length block").c_str());
    }
    Check(empty.Count() == -2 && empty.GetLength() == 0 && *static_cast<const char*>(empty) == '\0',
          "the shared empty block is unchanged");

    // An exception thrown in the launcher unwinds this module's frames and
    // reaches its handler (on i686 the two modules' DWARF-2 unwinders meet).
    Probe shared("shared");
    bool caught = false;
    try {
        FailWhileHoldingACopy(shared);
    } catch (const QvStringError&) {
        caught = true;
    }
    Check(caught, "QvStringError thrown in the launcher is caught here");
    Check(shared.Count() == 1, "the unwinding ran this module's destructors");

    return CheckResult();
}

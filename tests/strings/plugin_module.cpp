// A plug-in: a DLL of the package that uses QvString only through the
// launcher's exports and catches what the launcher throws.
#include <windows.h>

#include "qv_host_binding.h"
#include "qv_string.h"

#ifdef QV_PLUGIN_SHIFTED
// The second plug-in puts other code and other unwind tables at the
// addresses where the first one had its own.
__attribute__((noinline)) int Shifted(int n) {
    QvString s('x', n);
    s += QvString('y', n);
    return s.GetLength();
}
extern "C" __declspec(dllexport) int ShiftedTwice(int n) { return Shifted(n) + Shifted(n + 1); }
#endif

// 1 when a QvStringError thrown in the launcher was caught here, 2 when
// nothing was thrown, 0 when the launcher could not be prepared for use.
extern "C" __declspec(dllexport) int CatchFromHost() {
    if (!QvPrepareHostModule(GetModuleHandleA("setup.exe"))) return 0;
    try {
        QvString message;
        message.FormatMessageA("");  // the platform formats nothing: the member throws
    } catch (const QvStringError&) {
        return 1;
    }
    return 2;
}

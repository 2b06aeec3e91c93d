# Wine settings of this project, sourced by wine-run and wine-session so that
# both start Wine the same way. Expects WINEPREFIX to be set by the caller.
# The wine wrapper would pick the 32-bit loader, which this kind of machine
# cannot run, so the 64-bit loader is named directly.
WINELOADER=/usr/lib/wine/wine64
WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs while a prefix is created, and no crash
# dialog of the debugger: a crashing test ends at once instead of waiting on
# the virtual display until its time-out.
WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export WINEPREFIX WINELOADER WINEDEBUG WINEDLLOVERRIDES
tv_wineserver=/usr/lib/wine/wineserver64
[ -x "$tv_wineserver" ] || tv_wineserver=wineserver

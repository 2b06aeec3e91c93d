# Wine settings of this project, sourced by wine-run and wine-session (and,
# through i686-env.sh, by the i686 lane) so that every Wine process starts
# the same way. Expects WINEPREFIX to be set by the caller, as an absolute
# path or one relative to the current folder.
# The wine wrapper would pick the 32-bit loader, which this kind of machine
# cannot run, so the 64-bit loader is named directly.
WINELOADER=/usr/lib/wine/wine64
# Wine and its server refuse a relative prefix.
case "$WINEPREFIX" in
  /* | "") ;;
  *) WINEPREFIX="$(pwd)/$WINEPREFIX" ;;
esac
WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs while a prefix is created, no desktop
# menu entries, and no crash dialog of the debugger: a crashing test ends at
# once instead of waiting on the virtual display until its time-out.
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
export WINEPREFIX WINELOADER WINEDEBUG WINEDLLOVERRIDES
tv_wineserver=/usr/lib/wine/wineserver64
[ -x "$tv_wineserver" ] || tv_wineserver=wineserver

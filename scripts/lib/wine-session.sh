# A Wine prefix and its persistent wineserver, for both lanes: sourced by
# wine-session (the host's 64-bit Wine) and by i686-lane (the 32-bit Wine
# of the i686 lane) once the settings of their lane (wine-env.sh or
# i686-env.sh) have set WINEPREFIX, WINELOADER and tv_wineserver. Test runs
# pay the prefix set-up once, and no Wine service inherits a test runner's
# pipes. A wineserver serves one prefix only: stopping it leaves the
# sessions of other prefixes (other checkouts, other runs) alone.
#   wine_prefix_create   creates the prefix unless it has a registry already;
#                        false, with a message, when that fails
#   wine_session_start   creates the prefix if missing, starts its server (one
#                        it already has serves as well) and boots it
#   wine_session_stop    stops that server; nothing when none can run

# What every prefix here has: without a window manager (Xvfb) winex11 waits
# 2 s for one each time a managed window is hidden or destroyed, so Wine
# places the windows itself. Set again at each start, for prefixes made
# before it was.
wine_prefix_settings() {
  env -u DISPLAY "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
}

wine_prefix_create() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  mkdir -p "$WINEPREFIX"
  env -u DISPLAY "$WINELOADER" wineboot -u </dev/null >/dev/null 2>&1 ||
    { echo "wineboot failed in $WINEPREFIX" >&2; return 1; }
  wine_prefix_settings || { echo "cannot write the registry of $WINEPREFIX" >&2; return 1; }
  "$tv_wineserver" -w
  [ -f "$WINEPREFIX/system.reg" ] || { echo "wineboot left no registry in $WINEPREFIX" >&2; return 1; }
}

wine_session_start() {
  wine_prefix_create || return 1
  "$tv_wineserver" -p </dev/null >/dev/null 2>&1 || true
  "$WINELOADER" wineboot </dev/null >/dev/null 2>&1 || return 1
  wine_prefix_settings
}

wine_session_stop() {
  # The i686 lane's server is a link inside the lane, absent before it is installed.
  command -v "$tv_wineserver" >/dev/null 2>&1 || return 0
  "$tv_wineserver" -k </dev/null >/dev/null 2>&1 || true
}

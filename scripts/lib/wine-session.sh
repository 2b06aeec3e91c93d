# A Wine prefix's persistent wineserver, for both lanes: sourced by
# wine-session (the host's 64-bit Wine) and by i686-lane (the 32-bit Wine
# of the i686 lane) once the settings of their lane (wine-env.sh or
# i686-env.sh) have set WINEPREFIX, WINELOADER and tv_wineserver. Test runs
# pay the prefix set-up once, and no Wine service inherits a test runner's
# pipes. A wineserver serves one prefix only: stopping it leaves the
# sessions of other prefixes (other checkouts, other runs) alone.
#   wine_session_start   starts the prefix's server (one it already has serves
#                        as well) and boots the prefix, creating it if missing
#   wine_session_stop    stops that server; nothing when none can run
wine_session_start() {
  mkdir -p "$WINEPREFIX"
  "$tv_wineserver" -p </dev/null >/dev/null 2>&1 || true
  "$WINELOADER" wineboot </dev/null >/dev/null 2>&1
}

wine_session_stop() {
  # The i686 lane's server is a link inside the lane, absent before it is installed.
  command -v "$tv_wineserver" >/dev/null 2>&1 || return 0
  "$tv_wineserver" -k </dev/null >/dev/null 2>&1 || true
}

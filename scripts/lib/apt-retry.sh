# The one rule for apt commands that fetch, sourced by install-deps and
# i686-lane: a failure that passes by itself (an index or package of the
# wrong size or hash while a mirror syncs, a time-out, a refused or dropped
# connection) is tried again a bounded number of times after a pause; any
# other failure, or the last try, is reported in one line.
#
#   apt_retry WHAT COMMAND [ARGS...]
#
# WHAT says what is fetched ("suite bookworm (i386)"). Returns 0 when the
# command succeeds; otherwise prints "SCRIPT: SUBJECT: apt's message (after N
# tries)" to standard error, SUBJECT being the suite or package that apt's message
# names (else WHAT), and returns 1. The command's own output is dropped.
# TV_APT_TRIES (default 4) and TV_APT_PAUSE (seconds, default 10) tune it.

# apt's first error line (from its log $1) without its "E: ".
apt_message() {
  { grep -m 1 '^E: Failed to fetch' "$1" || grep -m 1 '^E: ' "$1" || grep -m 1 '^W: ' "$1" || tail -n 1 "$1"; } |
    sed 's/^[EW]: //'
}

# The suite ("/dists/SUITE/") or the package ("/NAME_VERSION_ARCH.deb") of
# the address in apt's message $1; else $2.
apt_subject() {
  _apt_suite=$(printf '%s\n' "$1" | sed -n -E 's|.*/dists/([^/ ]+)/.*|suite \1|p')
  _apt_package=$(printf '%s\n' "$1" | sed -n -E 's|.*/([^/_ ]+)_([^_ ]+)_([^_ ]+)\.deb.*|package \1 \2 (\3)|p')
  echo "${_apt_suite:-${_apt_package:-$2}}"
}

apt_transient() {
  grep -q -i -E 'unexpected size|hash sum mismatch|mirror sync in progress|timed out|connection refused|could not connect|connection failed|connection reset|closed prematurely|temporary failure resolving|could not resolve|50[234] ' "$1"
}

apt_retry() {
  _apt_what="$1"
  shift
  _apt_tries="${TV_APT_TRIES:-4}"
  _apt_log=$(mktemp)
  _apt_try=1
  while ! "$@" >"$_apt_log" 2>&1; do
    _apt_message=$(apt_message "$_apt_log")
    if [ "$_apt_try" -ge "$_apt_tries" ] || ! apt_transient "$_apt_log"; then
      [ "$_apt_try" -eq 1 ] || _apt_message="$_apt_message (after $_apt_try tries)"
      echo "${0##*/}: $(apt_subject "$_apt_message" "$_apt_what"): $_apt_message" >&2
      rm -f "$_apt_log"
      return 1
    fi
    _apt_try=$((_apt_try + 1))
    echo "${0##*/}: $(apt_subject "$_apt_message" "$_apt_what"): $_apt_message; try $_apt_try of $_apt_tries in ${TV_APT_PAUSE:-10} s" >&2
    sleep "${TV_APT_PAUSE:-10}"
  done
  rm -f "$_apt_log"
}

# The eight payload archive names, in order, for the shell scripts: read
# from archive/payload_archives.h, the one list that the build (through
# cmake/payload.cmake), the launcher and the tests use too. Sourced.
#   payload_archives ROOT   prints the names on one line; fails unless there are eight
payload_archives() {
  tv_names=$(sed -n 's/^ *"\([A-Z][A-Z]*\)",$/\1/p' "$1/archive/payload_archives.h" | tr '\n' ' ')
  set -- $tv_names
  if [ $# -ne 8 ]; then
    echo "archive/payload_archives.h names $# archives, expected 8" >&2
    return 1
  fi
  echo "$*"
}

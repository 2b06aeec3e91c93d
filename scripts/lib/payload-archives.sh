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

# The text of one of the header's string constants, empty when it has none.
payload_constant() {  # ROOT NAME
  sed -n "s/^inline const char $2\[\] = \"\(.*\)\";\$/\1/p" "$1/archive/payload_archives.h"
}

#   payload_programs ROOT   prints the archive that carries the package's two
#   programs, the next stage's file and the clean-up helper's file (with
#   ".exe"), from the same header
payload_programs() {
  tv_archive=$(payload_constant "$1" kProgramsArchive)
  tv_next=$(payload_constant "$1" kNextStageProgram)
  tv_helper=$(payload_constant "$1" kCleanUpHelper)
  if [ -z "$tv_archive" ] || [ -z "$tv_next" ] || [ -z "$tv_helper" ]; then
    echo "archive/payload_archives.h lacks kProgramsArchive, kNextStageProgram or kCleanUpHelper" >&2
    return 1
  fi
  echo "$tv_archive $tv_next $tv_helper.exe"
}

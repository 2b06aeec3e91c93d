# Writes the demo payload's large data file: SIZE bytes of 128-byte records
# that compress like real table data (a counter, a hash, recurring text)
# rather than to almost nothing. The same SIZE always gives the same bytes.
#   cmake -DOUTPUT=file -DSIZE=bytes -P generate_tiles.cmake
if(NOT OUTPUT OR NOT SIZE)
  message(FATAL_ERROR "usage: cmake -DOUTPUT=file -DSIZE=bytes -P generate_tiles.cmake")
endif()

set(notes
  "glazed terracotta, north wall, row complete"
  "smalti blue, border pattern, second firing"
  "cut stone, courtyard floor, replace cracked tiles"
  "gold leaf tessera, apse, handle with care"
  "unglazed clay, kiln batch seven, colour within range")
# Each note is padded or cut to 55 bytes, so every record has the same length.
set(padded "")
foreach(note IN LISTS notes)
  string(APPEND note "                                                       ")
  string(SUBSTRING "${note}" 0 55 note)
  list(APPEND padded "${note}")
endforeach()
set(notes "${padded}")
list(LENGTH notes note_count)

math(EXPR records "${SIZE} / 128")
math(EXPR rest "${SIZE} % 128")
if(rest GREATER 0)
  math(EXPR records "${records} + 1")
endif()

set(temporary "${OUTPUT}.part")
file(WRITE "${temporary}" "")
set(block "")
set(written 0)
foreach(i RANGE 1 ${records})
  # 6 + 1 + 64 + 1 + 55 + 1 = 128 bytes.
  math(EXPR counter "100000 + ${i}")
  string(SHA256 hash "tile ${i}")
  math(EXPR which "(${i} * 7 + ${i} / 13) % ${note_count}")
  list(GET notes ${which} note)
  string(APPEND block "${counter} ${hash} ${note}\n")
  math(EXPR in_block "${i} % 1024")
  if(in_block EQUAL 0 OR i EQUAL records)
    if(i EQUAL records AND rest GREATER 0)
      math(EXPR keep "(${records} - 1) % 1024 * 128 + ${rest}")
      string(SUBSTRING "${block}" 0 ${keep} block)
    endif()
    file(APPEND "${temporary}" "${block}")
    set(block "")
  endif()
endforeach()
file(RENAME "${temporary}" "${OUTPUT}")

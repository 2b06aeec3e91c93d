// The rule every archive entry name follows, in one place for the
// launcher's reader and the archive tool. The launcher extracts each entry
// below its working folder on Windows, so a name must be a plain relative
// path that Windows creates there as exactly that file: no way out of the
// folder, no character Windows refuses or drops, no device. Portable.
#ifndef TESSAROVEN_ENTRY_NAME_RULE_H
#define TESSAROVEN_ENTRY_NAME_RULE_H

#include <stddef.h>

// The length byte of a directory record bounds every name.
const size_t kMaxEntryNameLength = 255;
// Deeper trees are not part of the payload's shape.
const size_t kMaxEntryFolderLevels = 2;
// The longest path of an unpacked entry the platform's file calls open
// (MAX_PATH less the terminator; the launcher does not opt in to longer
// ones). A longer target could be neither created nor deleted by the
// clean-up script; the archive tool keeps names short enough to fit.
const size_t kLongestTargetPath = 259;

enum class EntryNameFault {
    None,
    Empty,
    TooLong,             // more than kMaxEntryNameLength bytes
    NotAscii,            // a byte of 0x80 or more
    ControlCharacter,    // 0x00-0x1F or 0x7F
    ForwardSlash,        // folders are separated by backslashes only
    ReservedCharacter,   // one of < > : " | ? *
    TooDeep,             // more than kMaxEntryFolderLevels folders
    EmptyComponent,      // leading, trailing or doubled backslash
    DotComponent,        // "." or ".."
    TrailingDotOrBlank,  // Windows drops these, so the file would get another name
    DeviceName,          // CON, PRN, AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, with any extension
};

// The first fault of a name. For a character fault, at is the byte's
// offset and length 1; for a component fault, at and length delimit the
// component; otherwise both are 0.
struct EntryNameCheck {
    EntryNameFault fault;
    size_t at;
    size_t length;
};

// Checks the n bytes at name (no terminator needed; an embedded zero byte is
// a control character). Characters are checked first, then the depth, then
// the components from left to right.
EntryNameCheck CheckEntryName(const char* name, size_t n);

#endif

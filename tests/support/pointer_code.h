// For tests of code that throws QvStreamException pointers.
#ifndef TESSAROVEN_TESTS_POINTER_CODE_H
#define TESSAROVEN_TESTS_POINTER_CODE_H

#include <memory>
#include <string>

#include "qv_stream_exception.h"

// Runs action; returns the code of the QvStreamException pointer it throws
// (0 when it throws none), deletes the exception, and copies its text to
// detail when that is not null.
template <typename F>
int PointerCode(F action, std::string* detail = nullptr) {
    try {
        action();
    } catch (QvStreamException* e) {
        std::unique_ptr<QvStreamException> owned(e);
        if (detail != nullptr) *detail = e->Detail() != nullptr ? e->Detail() : "";
        return e->Code();
    }
    return 0;
}

#endif

#include "qv_stream_exception.h"

#include <string.h>

namespace {
char* CopyText(const char* text) {
    if (text == nullptr) return nullptr;
    size_t n = strlen(text);
    char* copy = new char[n + 1];
    memcpy(copy, text, n + 1);
    return copy;
}
}  // namespace

QvStreamException::QvStreamException(int code) : code(code), detail(nullptr) {}

QvStreamException::QvStreamException(int code, const char* text) : code(code), detail(CopyText(text)) {}

QvStreamException::QvStreamException(const QvStreamException& other)
    : code(other.code), detail(CopyText(other.detail)) {}

QvStreamException& QvStreamException::operator=(const QvStreamException& other) {
    if (this != &other) {
        char* copy = CopyText(other.detail);
        delete[] detail;
        detail = copy;
        code = other.code;
    }
    return *this;
}

QvStreamException::~QvStreamException() { delete[] detail; }

#include "command_tail.h"

namespace {

bool IsBlankOrControl(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u != 0 && u <= ' ';
}

}  // namespace

const char* CommandTail(const char* commandLine) {
    const char* p = commandLine;
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') ++p;
        if (*p == '"') ++p;
    } else {
        while (static_cast<unsigned char>(*p) > ' ') ++p;
    }
    while (IsBlankOrControl(*p)) ++p;
    return p;
}

#include "start_inputs.h"

#include "message_text.h"

namespace {

const double kBytesPerMegabyte = 1048576.0;

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

bool IsUsableTempFolder(const char* folder, size_t length) {
    return length >= 3 && length < kPlatformPathBuffer && folder[1] == ':' && folder[2] == '\\';
}

bool EnoughFreeSpace(double freeBytes) { return static_cast<float>(freeBytes) >= kLeastFreeSpace; }

QvString NoSpaceMessage(const char* drive, double freeBytes) {
    float freeSpace = static_cast<float>(freeBytes);
    QvString message;
    message.Format(GetMessageText(5), drive, kLeastFreeSpace / kBytesPerMegabyte,
                   static_cast<double>(freeSpace) / kBytesPerMegabyte);
    return message;
}

#include "free_space.h"

#include "message_text.h"

namespace {

const double kBytesPerMegabyte = 1048576.0;

}  // namespace

bool EnoughFreeSpace(double freeBytes) { return static_cast<float>(freeBytes) >= kLeastFreeSpace; }

QvString NoSpaceMessage(const char* drive, double freeBytes) {
    float freeSpace = static_cast<float>(freeBytes);
    QvString message;
    message.Format(GetMessageText(kMessageNoSpace), drive, kLeastFreeSpace / kBytesPerMegabyte,
                   static_cast<double>(freeSpace) / kBytesPerMegabyte);
    return message;
}

#include "gtest_win32_notification.h"

#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

namespace testing {
namespace internal {

Notification::Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    if (event_ == nullptr) {
        // A test harness that cannot synchronise its threads cannot report either.
        fprintf(stderr, "CreateEventA failed: error %lu\n", GetLastError());
        abort();
    }
}

Notification::~Notification() { CloseHandle(event_); }

void Notification::Notify() { SetEvent(event_); }

void Notification::WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

}  // namespace internal
}  // namespace testing

// GoogleTest's Notification for compilers of the win32 thread model, which
// have neither std::mutex nor std::condition_variable: a manual-reset event.
// Forced into GoogleTest and every test (see cmake/googletest.cmake), so it
// declares no Windows names of its own.
#pragma once

namespace testing {
namespace internal {

class Notification {
public:
    // Creates the event, not yet signalled; the object owns it.
    Notification();
    ~Notification();
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    // Releases every thread that waits now or will wait later.
    void Notify();
    // Returns once Notify has been called, at once if it already has.
    void WaitForNotification();

private:
    void* event_;
};

}  // namespace internal
}  // namespace testing

// A thread for tests on every toolchain the tests are built with: the
// Windows builds use compilers without std::thread (the win32 thread model),
// the native build has it.
#pragma once

#include <functional>
#include <memory>

class TestThread {
public:
    // Starts body on a new thread at once; the object owns the thread.
    // Aborts the test program when no thread can be started.
    explicit TestThread(std::function<void()> body);
    TestThread(TestThread&& other) noexcept;
    TestThread& operator=(TestThread&&) = delete;
    TestThread(const TestThread&) = delete;
    TestThread& operator=(const TestThread&) = delete;
    // Waits for the thread unless Join already has.
    ~TestThread();

    // Returns once body has returned; a second call returns at once.
    void Join();

private:
    struct Running;
    std::unique_ptr<Running> running_;
};

#include "test_thread.h"

#include <stdio.h>
#include <stdlib.h>

#include <utility>

#ifdef _WIN32
#include <windows.h>

struct TestThread::Running {
    std::function<void()> body;
    HANDLE handle = nullptr;

    static DWORD WINAPI Start(void* self) {
        static_cast<Running*>(self)->body();
        return 0;
    }
    void Begin() {
        handle = CreateThread(nullptr, 0, Start, this, 0, nullptr);
        if (handle == nullptr) {
            fprintf(stderr, "CreateThread failed: error %lu\n", GetLastError());
            abort();
        }
    }
    void Wait() {
        if (handle == nullptr) return;
        WaitForSingleObject(handle, INFINITE);
        CloseHandle(handle);
        handle = nullptr;
    }
};
#else
#include <thread>

struct TestThread::Running {
    std::function<void()> body;
    std::thread thread;

    void Begin() { thread = std::thread([this] { body(); }); }
    void Wait() {
        if (thread.joinable()) thread.join();
    }
};
#endif

// The body lives in the heap block the thread was given, so moving the
// TestThread object leaves the running thread's data where it is.
TestThread::TestThread(std::function<void()> body) : running_(new Running) {
    running_->body = std::move(body);
    running_->Begin();
}

TestThread::TestThread(TestThread&& other) noexcept : running_(std::move(other.running_)) {}

TestThread::~TestThread() { Join(); }

void TestThread::Join() {
    if (running_) running_->Wait();
}

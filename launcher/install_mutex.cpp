#include "install_mutex.h"

InstallMutex::InstallMutex() : handle_(nullptr), state_(State::Ours), error_(0) {
    SetLastError(0);
    handle_ = CreateMutexA(nullptr, FALSE, kInstallMutexName);
    DWORD error = GetLastError();
    if (handle_ != nullptr && error == ERROR_ALREADY_EXISTS) {
        state_ = State::Taken;
    } else if (handle_ == nullptr && error == ERROR_ACCESS_DENIED) {
        // Made by a run of another account (an elevated one, SYSTEM): taken.
        state_ = State::Taken;
    } else if (handle_ == nullptr) {
        state_ = State::Unavailable;
        error_ = error != 0 ? error : ERROR_GEN_FAILURE;
    }
}

InstallMutex::~InstallMutex() {
    if (handle_ != nullptr) CloseHandle(handle_);
}

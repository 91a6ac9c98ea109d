// Win32: the user's named mutex in front of the single-instance rule.
#include "app/win32/instance_guard.h"

#include <cstdio>

namespace {

bool runningCopyHasAWindow() {
    return FindWindowA("CONNECTIONWINZR8", nullptr) != nullptr ||
           FindWindowA("SERIALWINZR8", nullptr) != nullptr;
}

}  // namespace

InstanceGuard::InstanceGuard() {
    char user[257] = {};
    DWORD size = sizeof user;
    if (!GetUserNameA(user, &size)) {
        user[0] = '\0';
    }
    char name[320];
    std::snprintf(name, sizeof name, "Local\\ORVAN-ZR8-Test-Tool-%s", user);
    mutex_ = CreateMutexA(nullptr, TRUE, name);
    // Created now, or an abandoned one taken over: this start is the first copy.
    owned_ = mutex_ != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
}

InstanceGuard::~InstanceGuard() {
    if (mutex_ == nullptr) {
        return;
    }
    if (owned_) {
        ReleaseMutex(mutex_);
    }
    CloseHandle(mutex_);
}

bool InstanceGuard::waitForFirstCopy(DWORD limitMs) {
    if (owned_ || mutex_ == nullptr) {
        return true;  // the first copy, or no guard to be had: the rule alone decides
    }
    const DWORD start = GetTickCount();
    for (;;) {
        if (runningCopyHasAWindow()) {
            return true;
        }
        const DWORD waited = WaitForSingleObject(mutex_, 0);
        if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
            owned_ = true;  // the first copy has gone: this one runs
            return true;
        }
        if (GetTickCount() - start >= limitMs) {
            break;
        }
        Sleep(20);
    }
    MessageBoxA(nullptr,
                "Another copy of the tool is starting but shows no window.\n\n"
                "End it (in the Task Manager), then start the tool again.",
                "ORVAN ZR8 Test Tool", MB_ICONWARNING);
    return false;
}

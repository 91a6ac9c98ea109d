// Win32: one copy of the tool per user, without a race between two starts.
//
// The single-instance rule finds a running copy by its window, which a copy makes only after it
// has started up: two starts a fraction of a second apart would both find none and both run. A
// named mutex of the user, taken by the first start before anything else, closes that gap: a
// later start waits (bounded) until the first copy's window exists, and the rule then finds it
// and brings it forward.
#pragma once

#include <windows.h>

class InstanceGuard {
  public:
    InstanceGuard();
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // True when this start may go on to the single-instance rule: it is the first copy, or a
    // first copy's window exists by now (the rule brings it forward), or the first copy ended
    // meanwhile (this one takes its place). False when another copy holds the guard but shows no
    // window within limitMs: it is told, and the start ends.
    bool waitForFirstCopy(DWORD limitMs);

  private:
    HANDLE mutex_ = nullptr;
    bool owned_ = false;
};

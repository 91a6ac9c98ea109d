// The poll path runs every 5 ms on the window's thread: it must not touch the heap. Every
// operator new in this test program is counted, and a poll cycle over a busy stream, with every
// record kind, must add nothing to the count.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "app/silent_window_services.h"
#include "protocol/stream_decoder.h"
#include "tests/support/fake_device_link.h"
#include "tests/support/protocol_fixture.h"
#include "tools/samples/mixed_stream.h"

namespace {
std::atomic<long> allocations{0};
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// Counts what reaches the screen without storing anything.
class CountingWindowServices : public SilentWindowServices {
  public:
    int texts = 0;
    int listAdds = 0;
    int listDeletes = 0;
    void setItemText(WindowHandle, int, const char*) override { ++texts; }
    void listAddString(WindowHandle, int, const char*) override { ++listAdds; }
    void listDeleteString(WindowHandle, int, int) override { ++listDeletes; }
};

TEST(PollPath, AllocatesNothing) {
    resetProtocolState();
    CountingWindowServices screen;
    installWindowServices(&screen);
    // Made before counting starts: the link only copies out of it.
    fakeDeviceLink().arrive(mixedPanelStream(7, 200000));
    const WindowHandle window = reinterpret_cast<WindowHandle>(std::uintptr_t{1});

    const long before = allocations.load();
    int changes = 0;
    while (!fakeDeviceLink().drained()) {
        changes += pollInput(window);
    }
    const long during = allocations.load() - before;
    installWindowServices(nullptr);

    EXPECT_EQ(during, 0) << "heap allocations during the poll cycles";
    // The stream really went through every path that writes to the screen.
    EXPECT_GT(changes, 100);
    EXPECT_GT(screen.texts, 10);
    EXPECT_GT(screen.listAdds, 5);
    EXPECT_GT(screen.listDeletes, 5);
}

TEST(PollPath, CountingReallyCounts) {
    const long before = allocations.load();
    int* volatile probe = new int(3);
    EXPECT_EQ(allocations.load() - before, 1);
    delete probe;
}

}  // namespace

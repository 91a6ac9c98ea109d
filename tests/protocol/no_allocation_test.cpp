// The poll path runs every 5 ms on the window's thread: it must not touch the heap. Every
// operator new in this test program is counted, and a poll cycle over a busy stream, with every
// record kind, must add nothing to the count.
#include <gtest/gtest.h>

#include "app/silent_window_services.h"
#include "protocol/stream_decoder.h"
#include "tests/support/counting_allocator.h"
#include "tests/support/fake_device_link.h"
#include "tests/support/protocol_fixture.h"
#include "tools/samples/mixed_stream.h"

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

    const long before = heapAllocations();
    int changes = 0;
    while (!fakeDeviceLink().drained()) {
        changes += pollInput(window);
    }
    const long during = heapAllocations() - before;
    installWindowServices(nullptr);

    EXPECT_EQ(during, 0) << "heap allocations during the poll cycles";
    // The stream really went through every path that writes to the screen.
    EXPECT_GT(changes, 100);
    EXPECT_GT(screen.texts, 10);
    EXPECT_GT(screen.listAdds, 5);
    EXPECT_GT(screen.listDeletes, 5);
}

TEST(PollPath, CountingReallyCounts) {
    const long before = heapAllocations();
    int* volatile probe = new int(3);
    EXPECT_EQ(heapAllocations() - before, 1);
    delete probe;
}

}  // namespace

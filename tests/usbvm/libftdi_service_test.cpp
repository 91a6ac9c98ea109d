// LibftdiService over a real USB stack: run inside the QEMU guest (see guest/ftdi_sio.sh) against
// QEMU's emulated FT232BM, whose serial side is a panel simulator on a host pty looping a
// counting pattern (each byte one more than the one before, modulo the pattern's period).
//
// The guest names what the host set up in the environment:
//   ZR8_USBVM_ADAPTERS  how many adapters are plugged in
//   ZR8_USBVM_PERIOD    the counting pattern's period
//   ZR8_USBVM_UNPLUG    QEMU's id of adapter 0, for the host's device_del and device_add
// Lines starting with "@@@ZR8 " on standard output are for the host: "action unplug ID" and
// "action plug ID" ask it to pull the adapter and plug it back, "wrote HEX" names a written frame.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "link/connection_table.h"
#include "link/device_link.h"
#include "link/posix/ftdi_libftdi.h"
#include "protocol/output_frames.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

int environmentNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

std::string environmentText(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

void tellHost(const std::string& line) {
    std::printf("@@@ZR8 %s\n", line.c_str());
    std::fflush(stdout);
}

// What arrived before the limit, read as the device link does: queueStatus, then a read of
// exactly that many bytes.
std::vector<std::uint8_t> receive(LibftdiService& service, FtdiHandle handle, std::size_t wanted,
                                  seconds limit) {
    std::vector<std::uint8_t> bytes;
    const auto until = Clock::now() + limit;
    while (bytes.size() < wanted && Clock::now() < until) {
        std::uint32_t waiting = 0;
        if (service.queueStatus(handle, waiting) != kFtdiOk) {
            ADD_FAILURE() << "queueStatus failed after " << bytes.size() << " bytes";
            break;
        }
        if (waiting == 0) {
            std::this_thread::sleep_for(milliseconds(2));
            continue;
        }
        std::vector<std::uint8_t> chunk(waiting);
        std::uint32_t received = 0;
        EXPECT_EQ(service.read(handle, chunk.data(), waiting, received), kFtdiOk);
        EXPECT_EQ(received, waiting) << "a read of what queueStatus reported came up short";
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + received);
    }
    return bytes;
}

// The position of the first byte that does not follow its predecessor in the counting pattern;
// -1 when every byte does.
long firstBreak(const std::vector<std::uint8_t>& bytes, int period) {
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        if (bytes[i] != (bytes[i - 1] + 1) % period) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

std::string hex(const std::uint8_t* bytes, std::size_t length) {
    std::string text;
    char part[4];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(part, sizeof part, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += part;
    }
    return text;
}

class LibftdiServiceTest : public ::testing::Test {
  protected:
    void TearDown() override {
        if (handle_ != nullptr) {
            service_.close(handle_);
        }
    }

    // Adapter 0 opened and set up as the device link sets it up.
    void openConfigured() {
        ASSERT_EQ(service_.openByIndex(0, handle_), kFtdiOk);
        ASSERT_NE(handle_, nullptr);
        EXPECT_EQ(service_.setBaudRate(handle_, 38400), kFtdiOk);
        EXPECT_EQ(service_.setDataCharacteristics(handle_, 8, 0, 0), kFtdiOk);
        EXPECT_EQ(service_.setFlowControl(handle_, 0, 0, 0), kFtdiOk);
        EXPECT_EQ(service_.purge(handle_, kFtdiPurgeReceive | kFtdiPurgeTransmit), kFtdiOk);
    }

    void expectCounting(std::size_t wanted) {
        const std::vector<std::uint8_t> bytes = receive(service_, handle_, wanted, seconds(10));
        ASSERT_GE(bytes.size(), wanted);
        const long at = firstBreak(bytes, period_);
        EXPECT_EQ(at, -1) << "byte " << at << " of " << bytes.size() << " breaks the pattern: "
                          << hex(bytes.data() + (at > 8 ? at - 8 : 0), 16);
    }

    const std::uint32_t adapters_ =
        static_cast<std::uint32_t>(environmentNumber("ZR8_USBVM_ADAPTERS", 1));
    const int period_ = environmentNumber("ZR8_USBVM_PERIOD", 64);
    LibftdiService service_;
    FtdiHandle handle_ = nullptr;
};

TEST_F(LibftdiServiceTest, CountsOpensAndDescribesEachAdapter) {
    std::uint32_t count = 0;
    ASSERT_EQ(service_.countDevices(count), kFtdiOk);
    ASSERT_EQ(count, adapters_);
    for (std::uint32_t i = 0; i < count; ++i) {
        FtdiHandle handle = nullptr;
        ASSERT_EQ(service_.openByIndex(static_cast<std::int32_t>(i), handle), kFtdiOk) << i;
        // QEMU's chip refuses EEPROM reads: the description is its USB product string.
        char description[kFtdiDescriptionSize] = {};
        EXPECT_EQ(service_.readDescription(handle, description), kFtdiOk) << i;
        EXPECT_EQ(std::string(description, strnlen(description, sizeof description)),
                  "QEMU USB SERIAL");
        EXPECT_EQ(service_.close(handle), kFtdiOk);
        std::uint32_t waiting = 0;
        EXPECT_EQ(service_.queueStatus(handle, waiting), kFtdiInvalidHandle) << "after close";
    }
    FtdiHandle beyond = nullptr;
    EXPECT_EQ(service_.openByIndex(static_cast<std::int32_t>(count), beyond), kFtdiDeviceNotFound);
    EXPECT_EQ(beyond, nullptr);
}

TEST_F(LibftdiServiceTest, DeviceLinkOpensTheAdapterWithOneMillisecondLatency) {
    installFtdiService(&service_);
    ConnectionTable& table = connectionTable();
    table = ConnectionTable{};
    ASSERT_EQ(appendConnection(kUsbConnection, 0, "USB - QEMU USB SERIAL"), 1);
    table.selectedConnection = 0;
    openUsbDevice();
    const FtdiHandle handle = deviceLinkState().usbHandle;
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(service_.latencyTimerMs(handle), 1);
    // And the link reads the adapter's stream as the protocol's poll does.
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[kDeviceLinkReadSize];
    for (const auto until = Clock::now() + seconds(10);
         bytes.size() < 256 && Clock::now() < until;) {
        const std::uint32_t got = readDeviceLink(buffer);
        bytes.insert(bytes.end(), buffer, buffer + got);
        std::this_thread::sleep_for(milliseconds(5));
    }
    EXPECT_GE(bytes.size(), 256u);
    EXPECT_EQ(firstBreak(bytes, period_), -1);
    closeDeviceLink();
    EXPECT_EQ(deviceLinkState().usbHandle, nullptr);
    installFtdiService(nullptr);
    table = ConnectionTable{};
}

TEST_F(LibftdiServiceTest, WritesAFrameWhole) {
    openConfigured();
    outputState() = OutputState{};
    outputState().hobbsOn = 1;
    std::uint8_t frame[kOutputFrameSize];
    ASSERT_EQ(buildOutputFrame(OutputFrameKind::HobbsMeter, frame), 1);
    std::uint32_t written = 0;
    ASSERT_EQ(service_.write(handle_, frame, sizeof frame, written), kFtdiOk);
    EXPECT_EQ(written, sizeof frame);
    tellHost("wrote " + hex(frame, sizeof frame));  // the host finds it in the simulator's log
    outputState() = OutputState{};
}

TEST_F(LibftdiServiceTest, ReaderDeliversTheStreamInOrder) {
    openConfigured();
    // About two seconds of the pattern: the reader keeps up and loses, repeats or swaps nothing.
    expectCounting(4000);
}

TEST_F(LibftdiServiceTest, ClosedAdapterReopensAndReceivesAgain) {
    openConfigured();
    expectCounting(256);
    ASSERT_EQ(service_.close(handle_), kFtdiOk);
    const FtdiHandle closed = handle_;
    handle_ = nullptr;
    std::uint8_t byte = 0;
    std::uint32_t received = 0;
    EXPECT_EQ(service_.read(closed, &byte, 1, received), kFtdiInvalidHandle);
    openConfigured();
    expectCounting(256);
}

// Last: the adapter is pulled out while open, and plugged back.
TEST_F(LibftdiServiceTest, UnplugWhileOpenReportsTheFaultAndClosesCleanly) {
    const std::string id = environmentText("ZR8_USBVM_UNPLUG", "a0");
    openConfigured();
    expectCounting(256);

    tellHost("action unplug " + id);
    const auto pulled = Clock::now();
    FtdiStatus status = kFtdiOk;
    std::uint32_t waiting = 0;
    std::vector<std::uint8_t> drained(LibftdiService::kReceiveBufferSize);
    while (Clock::now() < pulled + seconds(15)) {
        status = service_.queueStatus(handle_, waiting);
        if (status != kFtdiOk) {
            break;
        }
        // What had arrived is still handed out.
        std::uint32_t received = 0;
        EXPECT_EQ(service_.read(handle_, drained.data(), waiting, received), kFtdiOk);
        EXPECT_EQ(received, waiting);
        std::this_thread::sleep_for(milliseconds(5));
    }
    EXPECT_EQ(status, kFtdiIoError) << "queueStatus never reported the unplugged adapter";
    EXPECT_EQ(service_.queueStatus(handle_, waiting), kFtdiIoError) << "the fault stays";
    std::uint32_t written = 0;
    const std::uint8_t frame[kOutputFrameSize] = {};
    EXPECT_NE(service_.write(handle_, frame, sizeof frame, written), kFtdiOk);
    const auto closing = Clock::now();
    EXPECT_EQ(service_.close(handle_), kFtdiOk);
    // Bounded by one USB read of the reader; far longer means it waits on the gone adapter.
    EXPECT_LT(Clock::now() - closing, seconds(5));
    handle_ = nullptr;

    tellHost("action plug " + id);
    std::uint32_t count = 0;
    for (const auto until = Clock::now() + seconds(20); Clock::now() < until;) {
        if (service_.countDevices(count) == kFtdiOk && count == adapters_) {
            break;
        }
        std::this_thread::sleep_for(milliseconds(100));
    }
    ASSERT_EQ(count, adapters_) << "the adapter did not come back";
    // The kernel has the device back only after it enumerated; give it a moment to settle.
    FtdiStatus opened = kFtdiDeviceNotOpened;
    for (const auto until = Clock::now() + seconds(10); Clock::now() < until;) {
        opened = service_.openByIndex(0, handle_);
        if (opened == kFtdiOk) {
            break;
        }
        std::this_thread::sleep_for(milliseconds(200));
    }
    ASSERT_EQ(opened, kFtdiOk);
    service_.close(handle_);
    handle_ = nullptr;
    openConfigured();
    expectCounting(256);
}

}  // namespace

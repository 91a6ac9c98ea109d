// Linux FTDI service: FTDI USB adapters through libftdi1, answering as the D2XX calls do.
//
// Adapters are FTDI's default vendor and product ids; index i is the i-th of them in the order of
// their place on the USB buses (bus number, then port path), which stays the same between scans
// while nothing is plugged in or out.
//
// Other programs' adapters are left alone. Opening an adapter only opens it for requests to the
// device itself: readDescription reads the EEPROM (or the USB product string) while the kernel's
// ftdi_sio driver keeps it, so the scan disturbs no session. The first call that needs the
// adapter's serial side (a setting, the purge, reading, writing) takes it from the kernel's
// driver (its /dev/ttyUSBn goes away) for as long as it is open; close gives it back. An adapter
// whose /dev/ttyUSBn a process has open (see kernel_tty.h) is not opened at all:
// kFtdiDeviceNotOpened, as D2XX answers for a device another program holds.
//
// Receiving: libftdi has no "bytes waiting" request, and a USB read waits up to one latency
// period for the chip's next packet. So each open adapter gets one reader thread of its own,
// started by the first queueStatus or read, that reads one packet at a time from USB (libusb's
// bulk read, which keeps what arrived also when it times out) into a receive buffer of
// this layer (kReceiveBufferSize bytes, under a mutex). queueStatus and read only look at that
// buffer: they never wait for the adapter. When the buffer is full, the bytes that arrive are
// dropped and those already waiting are kept, whole and in order, as a serial driver drops on
// overrun; the reader goes on draining the adapter, so the chip and libftdi stay in step and
// the buffer never grows. At 38400 baud the buffer holds about a second of the panel's stream,
// while the window takes up to 100 bytes every 5 ms: it fills only if the window stops polling.
//
// Sending: a write is one USB transfer bounded by kUsbWriteTimeout, made beside the reader's
// read (libusb takes transfers from two threads); the settings calls are bounded the same way.
// purge and readDescription wait for the reader's current USB read (one latency period) and
// close for the reader to end; the link makes them only while opening and closing, before the
// reader starts or as it stops.
//
// All calls come from one thread (the window's); only the reader thread runs beside it.
// Install with installFtdiService(&service) and keep the object alive while installed; it
// closes whatever is still open when it goes.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

#include "link/ftdi_service.h"
#include "link/posix/byte_ring.h"

struct ftdi_context;
struct libusb_device;
struct libusb_device_handle;

class LibftdiService final : public FtdiService {
  public:
    static constexpr std::size_t kReceiveBufferSize = 4096;
    static constexpr int kMaxOpenAdapters = 4;
    static constexpr std::chrono::milliseconds kUsbWriteTimeout{50};
    // Bounds libftdi's own USB reads (the settings' answers).
    static constexpr std::chrono::milliseconds kUsbReadTimeout{1000};

    LibftdiService() = default;
    ~LibftdiService() override;
    LibftdiService(const LibftdiService&) = delete;
    LibftdiService& operator=(const LibftdiService&) = delete;

    FtdiStatus countDevices(std::uint32_t& count) override;
    FtdiStatus openByIndex(std::int32_t index, FtdiHandle& handle) override;
    FtdiStatus readDescription(FtdiHandle handle,
                               char (&description)[kFtdiDescriptionSize]) override;
    FtdiStatus setBaudRate(FtdiHandle handle, std::uint32_t baudRate) override;
    FtdiStatus setDataCharacteristics(FtdiHandle handle, std::uint8_t wordLength,
                                      std::uint8_t stopBits, std::uint8_t parity) override;
    FtdiStatus setFlowControl(FtdiHandle handle, std::uint16_t mode, std::uint8_t xon,
                              std::uint8_t xoff) override;
    FtdiStatus purge(FtdiHandle handle, std::uint32_t mask) override;
    FtdiStatus queueStatus(FtdiHandle handle, std::uint32_t& waiting) override;
    FtdiStatus read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t length,
                    std::uint32_t& received) override;
    FtdiStatus write(FtdiHandle handle, const std::uint8_t* bytes, std::uint32_t length,
                     std::uint32_t& written) override;
    FtdiStatus setLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) override;
    FtdiStatus close(FtdiHandle handle) override;
    // The USB serial number string, and the place as the kernel names it ("1-2.3": bus, then
    // the port path).
    FtdiStatus readIdentity(FtdiHandle handle, FtdiIdentity& identity) override;

    // The chip's latency timer as it reports it, in ms; -1 when it cannot be read (also while
    // the adapter's serial side is not in use yet). For tests over real adapters.
    int latencyTimerMs(FtdiHandle handle);

  private:
    struct Adapter {
        ftdi_context* context = nullptr;  // null = slot free
        libusb_device* device = nullptr;  // referenced while the slot is in use
        // For requests to the device (descriptors, EEPROM) while the kernel's driver has it.
        libusb_device_handle* requests = nullptr;
        bool claimed = false;       // libftdi has the serial side; the kernel's driver let go
        bool claimRefused = false;  // taking it failed once: not tried again
        std::thread reader;
        std::atomic<bool> stopping{false};
        std::atomic<bool> gone{false};  // the adapter was unplugged or failed for good
        // Held by the reader for each USB read and the store that follows, and by whatever
        // else must not run beside them (purge).
        std::mutex usb;
        // Guards received; never held while waiting for USB.
        std::mutex buffer;
        ByteRing<kReceiveBufferSize> received;
    };

    Adapter* adapterOf(FtdiHandle handle);
    // The adapter with its serial side in use, taking it from the kernel's driver first if need
    // be; null when that cannot be done.
    Adapter* claimedAdapterOf(FtdiHandle handle);
    static void startReading(Adapter& adapter);
    static void readUntilStopped(Adapter* adapter);

    Adapter adapters_[kMaxOpenAdapters];
};

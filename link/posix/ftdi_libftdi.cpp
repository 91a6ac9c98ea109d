// Linux FTDI service over libftdi1, with one reader thread per open adapter.
#include "link/posix/ftdi_libftdi.h"

#include <ftdi.h>
#include <libusb.h>

#include <climits>
#include <system_error>

#include "link/posix/ftdi_eeprom.h"

namespace {

constexpr FtdiStatus kFtdiInvalidArgs = 16;  // D2XX's status for a value it cannot take

// D2XX's flow-control modes; libftdi's SIO_*_HS values are the same numbers.
constexpr std::uint16_t kFlowNone = 0x0000;
constexpr std::uint16_t kFlowRtsCts = 0x0100;
constexpr std::uint16_t kFlowDtrDsr = 0x0200;
constexpr std::uint16_t kFlowXonXoff = 0x0400;

// ftdi_read_eeprom always reads this many bytes (256, the largest EEPROM the chips take).
constexpr int kEepromReadSize = 256;

// Bytes the reader asks libftdi for at a time. libftdi's read returns once it has that many or
// the chip reports nothing new; a small request hands bytes on about as fast as they come.
constexpr int kReadRequest = 64;

// A fresh libftdi context, set up as every adapter here is opened: the kernel's driver is
// detached while open and given back on close, and USB waits are bounded.
ftdi_context* newContext() {
    ftdi_context* context = ftdi_new();
    if (context == nullptr) {
        return nullptr;
    }
    context->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
    context->usb_read_timeout = static_cast<int>(LibftdiService::kUsbReadTimeout.count());
    context->usb_write_timeout = static_cast<int>(LibftdiService::kUsbWriteTimeout.count());
    return context;
}

FtdiStatus statusOf(int result) {
    return result < 0 ? kFtdiIoError : kFtdiOk;
}

// Sleeps about the given time, in short steps, unless stopping is set first.
void pauseUnlessStopped(const std::atomic<bool>& stopping, std::chrono::milliseconds pause) {
    const auto until = std::chrono::steady_clock::now() + pause;
    while (!stopping.load() && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

LibftdiService::~LibftdiService() {
    for (Adapter& adapter : adapters_) {
        if (adapter.context != nullptr) {
            close(reinterpret_cast<FtdiHandle>(&adapter));
        }
    }
}

LibftdiService::Adapter* LibftdiService::adapterOf(FtdiHandle handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    for (Adapter& adapter : adapters_) {
        if (static_cast<void*>(handle) == static_cast<void*>(&adapter)) {
            return adapter.context != nullptr ? &adapter : nullptr;
        }
    }
    return nullptr;
}

FtdiStatus LibftdiService::countDevices(std::uint32_t& count) {
    ftdi_context* context = ftdi_new();
    if (context == nullptr) {
        return kFtdiOtherError;
    }
    ftdi_device_list* list = nullptr;
    // Vendor and product 0: FTDI's own vendor id with its default product ids.
    const int found = ftdi_usb_find_all(context, &list, 0, 0);
    ftdi_list_free(&list);
    ftdi_free(context);
    if (found < 0) {
        return kFtdiOtherError;
    }
    count = static_cast<std::uint32_t>(found);
    return kFtdiOk;
}

FtdiStatus LibftdiService::openByIndex(std::int32_t index, FtdiHandle& handle) {
    if (index < 0) {
        return kFtdiDeviceNotFound;
    }
    Adapter* slot = nullptr;
    for (Adapter& adapter : adapters_) {
        if (adapter.context == nullptr) {
            slot = &adapter;
            break;
        }
    }
    if (slot == nullptr) {
        return kFtdiDeviceNotOpened;
    }
    ftdi_context* context = newContext();
    if (context == nullptr) {
        return kFtdiOtherError;
    }

    ftdi_device_list* list = nullptr;
    const int found = ftdi_usb_find_all(context, &list, 0, 0);
    libusb_device* device = nullptr;
    std::int32_t position = 0;
    for (const ftdi_device_list* entry = list; entry != nullptr; entry = entry->next) {
        if (position++ == index) {
            device = entry->dev;
            break;
        }
    }
    // The open holds its own reference to the device, so the list can go right after it.
    const int opened = device != nullptr ? ftdi_usb_open_dev(context, device) : -1;
    ftdi_list_free(&list);
    if (found <= 0 || device == nullptr) {
        ftdi_free(context);
        return kFtdiDeviceNotFound;
    }
    if (opened < 0) {
        ftdi_free(context);  // -8: no permission on the USB device (see the udev rule)
        return kFtdiDeviceNotOpened;
    }
    // One USB packet per transfer: a transfer then ends with each packet the chip sends, and
    // bytes never sit in a half-filled transfer while more trickle in.
    const unsigned int packet = context->max_packet_size > 0 ? context->max_packet_size : 64;
    ftdi_read_data_set_chunksize(context, packet);

    slot->context = context;
    slot->stopping = false;
    slot->gone = false;
    slot->received.clear();
    handle = reinterpret_cast<FtdiHandle>(slot);
    return kFtdiOk;
}

FtdiStatus LibftdiService::readDescription(FtdiHandle handle,
                                           char (&description)[kFtdiDescriptionSize]) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    unsigned char raw[kEepromReadSize] = {};
    int chipSize = 0;
    {
        std::lock_guard<std::mutex> usb(adapter->usb);
        if (ftdi_read_eeprom(adapter->context) < 0 ||
            ftdi_get_eeprom_buf(adapter->context, raw, sizeof raw) < 0) {
            return kFtdiEepromReadFailed;
        }
        // libftdi's guess of the EEPROM's size from its contents: -1 for a blank one, and not
        // to be trusted beyond choosing how many bytes to look at. libftdi's own decoding and
        // string calls are not used: they misread or crash on a blank or odd EEPROM.
        if (ftdi_get_eeprom_value(adapter->context, CHIP_SIZE, &chipSize) < 0) {
            chipSize = 0;
        }
    }
    const std::size_t size = chipSize == 0x40 || chipSize == 0x80 || chipSize == 0x100
                                 ? static_cast<std::size_t>(chipSize)
                                 : sizeof raw;
    return descriptionFromEeprom(raw, size, description);
}

FtdiStatus LibftdiService::setBaudRate(FtdiHandle handle, std::uint32_t baudRate) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    if (baudRate == 0 || baudRate > INT_MAX) {
        return kFtdiInvalidArgs;
    }
    return statusOf(ftdi_set_baudrate(adapter->context, static_cast<int>(baudRate)));
}

FtdiStatus LibftdiService::setDataCharacteristics(FtdiHandle handle, std::uint8_t wordLength,
                                                  std::uint8_t stopBits, std::uint8_t parity) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    // D2XX's codes and libftdi's enumerations share their numbers: 7 or 8 bits; 0 one stop
    // bit, 2 two; parity 0 none, 1 odd, 2 even, 3 mark, 4 space.
    if ((wordLength != 7 && wordLength != 8) || (stopBits != 0 && stopBits != 2) || parity > 4) {
        return kFtdiInvalidArgs;
    }
    return statusOf(ftdi_set_line_property(
        adapter->context, static_cast<ftdi_bits_type>(wordLength),
        static_cast<ftdi_stopbits_type>(stopBits), static_cast<ftdi_parity_type>(parity)));
}

FtdiStatus LibftdiService::setFlowControl(FtdiHandle handle, std::uint16_t mode, std::uint8_t xon,
                                          std::uint8_t xoff) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    switch (mode) {
        case kFlowNone:
        case kFlowRtsCts:
        case kFlowDtrDsr:
            return statusOf(ftdi_setflowctrl(adapter->context, mode));
        case kFlowXonXoff:
            return statusOf(ftdi_setflowctrl_xonxoff(adapter->context, xon, xoff));
        default:
            return kFtdiInvalidArgs;
    }
}

FtdiStatus LibftdiService::purge(FtdiHandle handle, std::uint32_t mask) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    // With the reader between reads, so that nothing received before the purge is stored
    // after it. ftdi_tciflush drops what the chip and libftdi hold of the received bytes,
    // ftdi_tcoflush what waits to be sent (the old purge calls had the two swapped).
    std::lock_guard<std::mutex> usb(adapter->usb);
    int result = 0;
    if ((mask & kFtdiPurgeReceive) != 0) {
        result = ftdi_tciflush(adapter->context);
        std::lock_guard<std::mutex> lock(adapter->buffer);
        adapter->received.clear();
    }
    if ((mask & kFtdiPurgeTransmit) != 0) {
        const int transmit = ftdi_tcoflush(adapter->context);
        result = result < 0 ? result : transmit;
    }
    return statusOf(result);
}

FtdiStatus LibftdiService::queueStatus(FtdiHandle handle, std::uint32_t& waiting) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    startReading(*adapter);
    std::lock_guard<std::mutex> lock(adapter->buffer);
    waiting = static_cast<std::uint32_t>(adapter->received.size());
    // An unplugged adapter still hands out what it had delivered, then reports the fault.
    return waiting == 0 && adapter->gone.load() ? kFtdiIoError : kFtdiOk;
}

FtdiStatus LibftdiService::read(FtdiHandle handle, std::uint8_t* buffer, std::uint32_t length,
                                std::uint32_t& received) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    if (buffer == nullptr && length != 0) {
        return kFtdiInvalidArgs;
    }
    startReading(*adapter);
    std::lock_guard<std::mutex> lock(adapter->buffer);
    received = static_cast<std::uint32_t>(adapter->received.pop(buffer, length));
    return kFtdiOk;
}

FtdiStatus LibftdiService::write(FtdiHandle handle, const std::uint8_t* bytes, std::uint32_t length,
                                 std::uint32_t& written) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    if ((bytes == nullptr && length != 0) || length > INT_MAX) {
        return kFtdiInvalidArgs;
    }
    written = 0;
    if (length == 0) {
        return kFtdiOk;
    }
    // Bounded by the USB write timeout; a frame fits one transfer.
    const int result = ftdi_write_data(adapter->context, bytes, static_cast<int>(length));
    if (result < 0) {
        return kFtdiIoError;
    }
    written = static_cast<std::uint32_t>(result);
    return kFtdiOk;
}

FtdiStatus LibftdiService::close(FtdiHandle handle) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    adapter->stopping = true;
    if (adapter->reader.joinable()) {
        adapter->reader.join();  // within one USB read
    }
    // Releasing the interface hands the adapter back to the kernel's driver.
    ftdi_usb_close(adapter->context);
    ftdi_free(adapter->context);
    adapter->context = nullptr;
    std::lock_guard<std::mutex> lock(adapter->buffer);
    adapter->received.clear();
    return kFtdiOk;
}

void LibftdiService::startReading(Adapter& adapter) {
    if (adapter.reader.joinable() || adapter.gone.load()) {
        return;
    }
    try {
        adapter.reader = std::thread(readUntilStopped, &adapter);
    } catch (const std::system_error&) {
        // No thread to be had: the adapter receives nothing, as one that failed would.
        adapter.gone = true;
    }
}

void LibftdiService::readUntilStopped(Adapter* adapter) {
    std::uint8_t chunk[kReadRequest];
    while (!adapter->stopping.load()) {
        int count = 0;
        {
            std::lock_guard<std::mutex> usb(adapter->usb);
            // Waits at most about one latency period, the chip's longest silence.
            count = ftdi_read_data(adapter->context, chunk, sizeof chunk);
            if (count > 0) {
                std::lock_guard<std::mutex> lock(adapter->buffer);
                // A full buffer keeps what waits and drops what does not fit (see the header).
                adapter->received.push(chunk, static_cast<std::size_t>(count));
            }
        }
        if (count == LIBUSB_ERROR_NO_DEVICE) {
            adapter->gone = true;  // unplugged: nothing more will come
            return;
        }
        if (count < 0) {
            // A passing fault (a timeout, a busy bus): try again shortly.
            pauseUnlessStopped(adapter->stopping, std::chrono::milliseconds(10));
        } else if (count == 0) {
            // libftdi has normally waited for the chip already; the short pause keeps the loop
            // from spinning should it ever answer at once.
            pauseUnlessStopped(adapter->stopping, std::chrono::milliseconds(1));
        }
    }
}

// Linux FTDI service over libftdi1, with one reader thread per open adapter.
#include "link/posix/ftdi_libftdi.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <system_error>
#include <vector>

#include "link/posix/ftdi_eeprom.h"
#include "link/posix/kernel_tty.h"

namespace {

constexpr FtdiStatus kFtdiInvalidArgs = 16;  // D2XX's status for a value it cannot take

// D2XX's flow-control modes; libftdi's SIO_*_HS values are the same numbers.
constexpr std::uint16_t kFlowNone = 0x0000;
constexpr std::uint16_t kFlowRtsCts = 0x0100;
constexpr std::uint16_t kFlowDtrDsr = 0x0200;
constexpr std::uint16_t kFlowXonXoff = 0x0400;

// The chips' vendor request that reads one 16-bit word of the EEPROM, addressed in words.
constexpr std::uint8_t kVendorIn =
    LIBUSB_REQUEST_TYPE_VENDOR | LIBUSB_RECIPIENT_DEVICE | LIBUSB_ENDPOINT_IN;
constexpr std::uint8_t kReadEepromRequest = 0x90;
constexpr unsigned int kRequestTimeoutMs = 500;

// The largest bulk packet (high-speed chips); full-speed chips send 64 bytes a packet.
constexpr int kLargestPacket = 512;
// Each packet from the chip starts with two bytes of modem and line status.
constexpr int kPacketStatusBytes = 2;
// How long one USB read of the reader may wait for a packet.
constexpr unsigned int kReaderTransferMs = 100;

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

// Every FTDI adapter on the buses, in the order of their places there, each referenced (the
// caller unreferences them). libusb's own order follows the kernel's and may change.
std::vector<libusb_device*> findAdapters(ftdi_context* context) {
    std::vector<libusb_device*> adapters;
    ftdi_device_list* list = nullptr;
    if (ftdi_usb_find_all(context, &list, 0, 0) > 0) {
        for (const ftdi_device_list* entry = list; entry != nullptr; entry = entry->next) {
            adapters.push_back(libusb_ref_device(entry->dev));
        }
    }
    ftdi_list_free(&list);
    const auto place = [](libusb_device* device) {
        std::vector<int> key{libusb_get_bus_number(device)};
        std::uint8_t ports[8] = {};
        const int count = libusb_get_port_numbers(device, ports, sizeof ports);
        key.insert(key.end(), ports, ports + std::max(count, 0));
        key.push_back(1000 + libusb_get_device_address(device));  // after any port number
        return key;
    };
    std::stable_sort(adapters.begin(), adapters.end(),
                     [&](libusb_device* a, libusb_device* b) { return place(a) < place(b); });
    return adapters;
}

void unreferenceAll(const std::vector<libusb_device*>& devices) {
    for (libusb_device* device : devices) {
        libusb_unref_device(device);
    }
}

std::string sysfsNameOf(libusb_device* device) {
    std::uint8_t ports[8] = {};
    const int count = libusb_get_port_numbers(device, ports, sizeof ports);
    return usbSysfsName(libusb_get_bus_number(device), ports, count);
}

// The 256 bytes of the EEPROM, word by word; false at the first word that cannot be read (QEMU's
// chip, for one, refuses the request).
bool readEeprom(libusb_device_handle* requests, std::uint8_t (&eeprom)[kEepromReadSize]) {
    for (std::uint16_t word = 0; word < kEepromReadSize / 2; ++word) {
        const int got = libusb_control_transfer(requests, kVendorIn, kReadEepromRequest, 0, word,
                                                eeprom + word * 2, 2, kRequestTimeoutMs);
        if (got != 2) {
            return false;
        }
    }
    return true;
}

// The adapter's USB product string (which the chips serve from the EEPROM's product field),
// printable ASCII only, at most the description's size. False when there is none to be had.
bool readProductString(libusb_device* device, libusb_device_handle* requests,
                       char (&description)[kFtdiDescriptionSize]) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != 0 || descriptor.iProduct == 0) {
        return false;
    }
    unsigned char text[kFtdiDescriptionSize + 1] = {};
    const int length =
        libusb_get_string_descriptor_ascii(requests, descriptor.iProduct, text, sizeof text);
    if (length < 0) {
        return false;
    }
    std::memset(description, 0, sizeof description);
    const int kept = std::min(length, kFtdiDescriptionSize);
    for (int i = 0; i < kept; ++i) {
        description[i] = text[i] >= 0x20 && text[i] < 0x7F ? static_cast<char>(text[i]) : '?';
    }
    return true;
}

// The adapter's USB serial number string, printable ASCII only; empty when it has none.
void readSerialNumber(libusb_device* device, libusb_device_handle* requests,
                      char (&serialNumber)[kFtdiSerialNumberSize]) {
    std::memset(serialNumber, 0, sizeof serialNumber);
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != 0 || descriptor.iSerialNumber == 0) {
        return;
    }
    unsigned char text[kFtdiSerialNumberSize] = {};
    const int length = libusb_get_string_descriptor_ascii(requests, descriptor.iSerialNumber, text,
                                                          sizeof text - 1);
    for (int i = 0; i < length && i < kFtdiSerialNumberSize - 1; ++i) {
        serialNumber[i] = text[i] >= 0x20 && text[i] < 0x7F ? static_cast<char>(text[i]) : '?';
    }
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
    // Vendor and product 0: FTDI's own vendor id with its default product ids.
    ftdi_device_list* list = nullptr;
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
    const std::vector<libusb_device*> found = findAdapters(context);
    if (static_cast<std::size_t>(index) >= found.size()) {
        unreferenceAll(found);
        ftdi_free(context);
        return kFtdiDeviceNotFound;
    }
    libusb_device* device = libusb_ref_device(found[static_cast<std::size_t>(index)]);
    unreferenceAll(found);

    libusb_device_handle* requests = nullptr;
    // Another program's session through /dev/ttyUSBn: not to be touched.
    const bool inUse = kernelTtyInUse(sysfsNameOf(device));
    if (inUse || libusb_open(device, &requests) != 0) {
        libusb_unref_device(device);  // no permission on the USB device: see the udev rule
        ftdi_free(context);
        return kFtdiDeviceNotOpened;
    }
    slot->context = context;
    slot->device = device;
    slot->requests = requests;
    slot->claimed = false;
    slot->claimRefused = false;
    slot->stopping = false;
    slot->gone = false;
    slot->received.clear();
    handle = reinterpret_cast<FtdiHandle>(slot);
    return kFtdiOk;
}

LibftdiService::Adapter* LibftdiService::claimedAdapterOf(FtdiHandle handle) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr || adapter->claimed) {
        return adapter;
    }
    if (adapter->claimRefused) {
        return nullptr;
    }
    // Looked at again: a program may have opened the tty since the scan.
    if (kernelTtyInUse(sysfsNameOf(adapter->device)) ||
        ftdi_usb_open_dev(adapter->context, adapter->device) < 0) {
        adapter->claimRefused = true;
        adapter->gone = true;
        return nullptr;
    }
    adapter->claimed = true;
    return adapter;
}

FtdiStatus LibftdiService::readDescription(FtdiHandle handle,
                                           char (&description)[kFtdiDescriptionSize]) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    std::uint8_t eeprom[kEepromReadSize] = {};
    {
        std::lock_guard<std::mutex> usb(adapter->usb);
        if (readEeprom(adapter->requests, eeprom)) {
            // libftdi's own decoding and string calls are not used: they misread or crash on a
            // blank or odd EEPROM.
            libusb_device_descriptor descriptor{};
            libusb_get_device_descriptor(adapter->device, &descriptor);
            return descriptionFromEeprom(
                eeprom, eepromSizeFromContents(eeprom, descriptor.bcdDevice), description);
        }
        // No EEPROM to be read: the product string the chip serves stands in for its
        // description; an adapter that has neither is listed with an empty one.
        if (!readProductString(adapter->device, adapter->requests, description)) {
            std::memset(description, 0, sizeof description);
        }
    }
    return kFtdiOk;
}

FtdiStatus LibftdiService::setBaudRate(FtdiHandle handle, std::uint32_t baudRate) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    if (claimedAdapterOf(handle) == nullptr) {
        return kFtdiIoError;
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
    if (claimedAdapterOf(handle) == nullptr) {
        return kFtdiIoError;
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
    if (claimedAdapterOf(handle) == nullptr) {
        return kFtdiIoError;
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
    if (claimedAdapterOf(handle) == nullptr) {
        return kFtdiIoError;
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
    if (claimedAdapterOf(handle) == nullptr) {
        return kFtdiIoError;  // the serial side could not be had: nothing will come
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
    if (claimedAdapterOf(handle) == nullptr) {
        return kFtdiIoError;  // the serial side could not be had: nothing will come
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
    if (claimedAdapterOf(handle) == nullptr) {
        return kFtdiIoError;
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
    if (adapter->claimed) {
        // Releasing the interface hands the adapter back to the kernel's driver.
        ftdi_usb_close(adapter->context);
    }
    libusb_close(adapter->requests);
    libusb_unref_device(adapter->device);
    ftdi_free(adapter->context);
    adapter->context = nullptr;
    adapter->device = nullptr;
    adapter->requests = nullptr;
    adapter->claimed = false;
    std::lock_guard<std::mutex> lock(adapter->buffer);
    adapter->received.clear();
    return kFtdiOk;
}

FtdiStatus LibftdiService::readIdentity(FtdiHandle handle, FtdiIdentity& identity) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    identity = FtdiIdentity{};
    {
        std::lock_guard<std::mutex> usb(adapter->usb);
        readSerialNumber(adapter->device, adapter->requests, identity.serialNumber);
    }
    const std::string place = sysfsNameOf(adapter->device);
    std::memcpy(identity.place, place.data(), std::min(place.size(), sizeof identity.place - 1));
    return kFtdiOk;
}

FtdiStatus LibftdiService::setLatencyTimer(FtdiHandle handle, std::uint8_t milliseconds) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr) {
        return kFtdiInvalidHandle;
    }
    if (milliseconds == 0) {
        return kFtdiInvalidArgs;
    }
    if (claimedAdapterOf(handle) == nullptr) {
        return kFtdiIoError;
    }
    return statusOf(ftdi_set_latency_timer(adapter->context, milliseconds));
}

int LibftdiService::latencyTimerMs(FtdiHandle handle) {
    Adapter* adapter = adapterOf(handle);
    if (adapter == nullptr || !adapter->claimed) {
        return -1;
    }
    std::lock_guard<std::mutex> usb(adapter->usb);
    unsigned char value = 0;
    return ftdi_get_latency_timer(adapter->context, &value) < 0 ? -1 : value;
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
    // One packet per USB transfer, taken from libusb directly: libftdi's read gathers packets
    // until it has what it was asked for, and when a later transfer of the same call fails (an
    // adapter that answers an idle read with NAKs instead of status packets times out) it
    // returns the error and drops the bytes it had gathered, the last of a burst.
    const unsigned int size = adapter->context->max_packet_size;
    const int packet = size > 0 && size <= kLargestPacket ? static_cast<int>(size) : 64;
    std::uint8_t chunk[kLargestPacket];
    while (!adapter->stopping.load()) {
        int transferred = 0;
        int result = 0;
        {
            std::lock_guard<std::mutex> usb(adapter->usb);
            result = libusb_bulk_transfer(adapter->context->usb_dev,
                                          static_cast<unsigned char>(adapter->context->out_ep),
                                          chunk, packet, &transferred, kReaderTransferMs);
            // Whatever came is kept, also when the transfer ended in a time-out.
            if (transferred > kPacketStatusBytes && transferred <= packet) {
                std::lock_guard<std::mutex> lock(adapter->buffer);
                // A full buffer keeps what waits and drops what does not fit (see the header).
                adapter->received.push(chunk + kPacketStatusBytes,
                                       static_cast<std::size_t>(transferred - kPacketStatusBytes));
            }
        }
        if (result == LIBUSB_ERROR_NO_DEVICE) {
            adapter->gone = true;  // unplugged: nothing more will come
            return;
        }
        if (result != 0 && result != LIBUSB_ERROR_TIMEOUT) {
            // A passing fault (a busy bus, a stall): try again shortly.
            pauseUnlessStopped(adapter->stopping, std::chrono::milliseconds(10));
        } else if (result == 0 && transferred <= kPacketStatusBytes) {
            // A status packet alone: the chip sends one each latency period while idle. The short
            // pause keeps the loop from spinning should one ever come back at once.
            pauseUnlessStopped(adapter->stopping, std::chrono::milliseconds(1));
        }
    }
}

// The FTD2XX.dll service under Wine, against the test FTD2XX.dll beside this program: the real
// hardware scan and device link over it, and a program without a usable library.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/connection_window.h"
#include "app/shell.h"
#include "link/connection_table.h"
#include "link/device_link.h"
#include "link/win32/ftd2xx_service.h"
#include "tests/support/fake_serial_port_service.h"
#include "tests/support/tool_fixture.h"
#include "tests/win32/fake_ftd2xx_control.h"
#include "ui/connection_window_ids.h"

namespace {

// 64 characters: the adapter's description fills its whole buffer, with no NUL after it.
const std::string kFullDescription =
    "ORVAN ZR8 mainboard adapter, serial no. 0001, bench line 7 ABCDE";

std::string besideProgram(const char* fileName) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + fileName;
}

class Ftd2xxTest : public ToolTest {
  protected:
    Ftd2xxTest() { registerWindowClasses(); }
    ~Ftd2xxTest() override { installFtdiService(nullptr); }

    static void attach(const std::string& adapters) { FakeFtd2xxControl::attach(adapters); }

    std::vector<std::string> scan() {
        WindowHandle window = screen.createDialog("CONNECTIONWINZR8", nullptr);
        shellState().currentWindow = window;
        scanHardware(window);
        return screen.control(window, kConnectionListId).rows;
    }

    std::vector<std::string> calls() const { return library_.calls(); }
    void clearCalls() const { library_.clearCalls(); }

  private:
    FakeFtd2xxControl library_;
};

TEST_F(Ftd2xxTest, ScanListsProgrammedAndBlankAdaptersAndSkipsAFailingEeprom) {
    Ftd2xxService service;
    installFtdiService(&service);
    attach("XYZ;unprogrammed;eeprom-fails;" + kFullDescription);
    ASSERT_TRUE(service.available()) << "the test FTD2XX.dll beside the program did not load";

    EXPECT_EQ(scan(), (std::vector<std::string>{"USB - XYZ", "USB - Nicht programmiert",
                                                "USB - " + kFullDescription}));
    const ConnectionTable& table = connectionTable();
    ASSERT_EQ(table.connectionCount, 3);
    EXPECT_EQ(table.rows[0].kind, kUsbConnection);
    EXPECT_EQ(table.rows[0].index, 0);
    EXPECT_EQ(table.rows[1].index, 1);
    EXPECT_EQ(table.rows[2].index, 3);
    // Every adapter the scan opened was closed again, the failing one too.
    EXPECT_EQ(calls(), (std::vector<std::string>{"open 0", "close 0", "open 1", "close 1", "open 2",
                                                 "close 2", "open 3", "close 3"}));
}

// The latency timer is set to 1 ms where the library has the call; a library without it
// opens and carries the adapter all the same.
TEST_F(Ftd2xxTest, UsbRowOpensAt38400Eight_N_OneAndReadsQueuedBytesAtMost100AtATime) {
    struct Case {
        const char* library;
        bool setsLatency;
    };
    for (const Case& library : {Case{Ftd2xxService::kDefaultLibrary, true},
                                Case{"zr8-ftd2xx-without-latency.dll", false}}) {
        SCOPED_TRACE(library.library);
        resetToolState();
        clearCalls();
        Ftd2xxService service(library.library);
        installFtdiService(&service);
        attach("XYZ;queue=250");
        appendConnection(kUsbConnection, 0, "USB - XYZ");
        connectionTable().selectedConnection = 0;
        connectionTable().speedChoice = 0;  // the USB line speed does not follow it

        openUsbDevice();
        ASSERT_NE(deviceLinkState().usbHandle, nullptr);
        std::uint8_t buffer[kDeviceLinkReadSize];
        std::vector<std::uint32_t> counts;
        std::vector<std::uint8_t> received;
        for (int i = 0; i < 4; ++i) {
            const std::uint32_t count = readDeviceLink(buffer);
            counts.push_back(count);
            received.insert(received.end(), buffer, buffer + count);
        }
        const std::uint8_t offFrame[] = {0x78, 0x09, 0x61, 0x00, 0x37, 0x02,
                                         0x00, 0x00, 0x00, 0x00, 0x2D};
        EXPECT_EQ(writeDeviceLink(offFrame, sizeof offFrame), 1);
        closeDeviceLink();

        EXPECT_EQ(counts, (std::vector<std::uint32_t>{100, 100, 50, 0}));
        ASSERT_EQ(received.size(), 250u);
        for (std::size_t i = 0; i < received.size(); ++i) {
            ASSERT_EQ(received[i], i) << "byte " << i << " lost or out of order";
        }
        std::vector<std::string> expected = {"open 0", "baud 38400", "data 8 0 0", "flow 0 0 0"};
        if (library.setsLatency) {
            expected.push_back("latency 1");
        }
        for (const char* call : {"purge 3", "read 100", "read 100", "read 50",
                                 "write 78 09 61 00 37 02 00 00 00 00 2D", "close 0"}) {
            expected.push_back(call);
        }
        EXPECT_EQ(calls(), expected);
        installFtdiService(nullptr);
    }
}

// An adapter's serial number and LocId, read from the library for an open handle, with all
// four adapters open at once: the library lists no LocId for an open adapter, so each place is
// the one its index had just before it was opened. Serial numbers from the library are cut to
// their 16-byte field (a full one has no NUL) and kept to printable ASCII. A library without the
// device list gives no place, one without FT_GetDeviceInfo the list's serial number, one without
// both no identity at all.
TEST_F(Ftd2xxTest, ReadIdentityGivesSerialNumberAndLocIdOfEachOpenAdapter) {
    const std::string adapters =
        "ZR8 Mainboard|sn=A1B2|loc=121;XYZ|loc=0x2a4;Bench|sn=AB\aCDEFGHIJKLMNOPQRSTU|loc=301;"
        "ZR8 Mainboard|sn=C3";
    const std::vector<std::string> serialNumbers = {"A1B2", "", "AB?CDEFGHIJKLMNO", "C3"};
    const std::vector<std::string> places = {"loc 0x00000121", "loc 0x000002A4", "loc 0x00000301",
                                             ""};
    const std::vector<std::string> noPlaces(4);
    struct Case {
        const char* library;
        FtdiStatus status;
        std::vector<std::string> serialNumbers;
        std::vector<std::string> places;
    };
    const Case cases[] = {
        {Ftd2xxService::kDefaultLibrary, kFtdiOk, serialNumbers, places},
        {"zr8-ftd2xx-without-device-list.dll", kFtdiOk, serialNumbers, noPlaces},
        {"zr8-ftd2xx-without-device-info.dll", kFtdiOk, serialNumbers, places},
        {"zr8-ftd2xx-without-identity.dll", kFtdiNotSupported, noPlaces, noPlaces},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library);
        attach(adapters);
        Ftd2xxService service(c.library);
        ASSERT_TRUE(service.available());
        std::vector<FtdiHandle> handles(4, nullptr);
        for (std::int32_t index = 0; index < 4; ++index) {
            ASSERT_EQ(service.openByIndex(index, handles[index]), kFtdiOk);
        }
        std::vector<std::string> serials;
        std::vector<std::string> found;
        for (FtdiHandle handle : handles) {
            FtdiIdentity identity;  // left over from an earlier read: must be cleared
            std::memset(identity.serialNumber, 'x', sizeof identity.serialNumber);
            std::memset(identity.place, 'x', sizeof identity.place);
            EXPECT_EQ(service.readIdentity(handle, identity), c.status);
            ASSERT_NE(std::memchr(identity.serialNumber, '\0', sizeof identity.serialNumber),
                      nullptr);
            ASSERT_NE(std::memchr(identity.place, '\0', sizeof identity.place), nullptr);
            serials.emplace_back(identity.serialNumber);
            found.emplace_back(identity.place);
        }
        EXPECT_EQ(serials, c.serialNumbers);
        EXPECT_EQ(found, c.places);
        for (FtdiHandle handle : handles) {
            EXPECT_EQ(service.close(handle), kFtdiOk);
        }
    }
}

// Unplugged while open: no identity is read from the dead handle; the adapter that moved into
// its index answers with its own.
TEST_F(Ftd2xxTest, ReadIdentityOfAnUnpluggedAdapterFailsAndTheOneInItsIndexIsItself) {
    Ftd2xxService service;
    attach("ZR8 Mainboard|sn=A1|loc=111;ZR8 Mainboard|sn=B2|loc=112");
    FtdiHandle first = nullptr;
    ASSERT_EQ(service.openByIndex(0, first), kFtdiOk);
    attach("ZR8 Mainboard|sn=B2|loc=112");
    FtdiIdentity identity;
    EXPECT_NE(service.readIdentity(first, identity), kFtdiOk);
    EXPECT_STREQ(identity.serialNumber, "");
    EXPECT_STREQ(identity.place, "");
    EXPECT_EQ(service.close(first), kFtdiOk);

    FtdiHandle other = nullptr;
    ASSERT_EQ(service.openByIndex(0, other), kFtdiOk);
    ASSERT_EQ(service.readIdentity(other, identity), kFtdiOk);
    EXPECT_STREQ(identity.serialNumber, "B2");
    EXPECT_STREQ(identity.place, "loc 0x00000112");
    EXPECT_EQ(service.close(other), kFtdiOk);
    EXPECT_EQ(calls(),
              (std::vector<std::string>{"open 0", "close unplugged", "open 0", "close 0"}));
}

// A missing DLL, and one that lacks a function the program calls only later (FT_Write): both
// leave the program without adapters but with its COM ports.
TEST_F(Ftd2xxTest, NoUsableLibraryMeansNoAdaptersAndTheComPortsStay) {
    const char* const libraries[] = {"zr8-no-such-ftd2xx.dll", "zr8-ftd2xx-without-write.dll"};
    for (const char* library : libraries) {
        SCOPED_TRACE(library);
        resetToolState();
        attach("XYZ;unprogrammed");
        Ftd2xxService service(library);
        installFtdiService(&service);
        FakeSerialPortService serial;
        serial.addPort(2);

        EXPECT_FALSE(service.available());
        std::uint32_t count = 99;
        EXPECT_EQ(service.countDevices(count), kFtdiOk);
        EXPECT_EQ(count, 0u);
        FtdiHandle handle = nullptr;
        EXPECT_NE(service.openByIndex(0, handle), kFtdiOk);
        EXPECT_EQ(handle, nullptr);
        EXPECT_EQ(scan(), (std::vector<std::string>{"COMM - COM2"}));
        EXPECT_TRUE(calls().empty()) << "an unusable library was called";
        installFtdiService(nullptr);
    }
}

// Run by CTest from a copy of this program in a folder of its own: the program starts without
// FTD2XX.dll (it is not imported at load time) and finds no adapter.
TEST_F(Ftd2xxTest, StartsAndFindsNoAdapterWithoutTheLibraryBesideIt) {
    if (GetFileAttributesA(besideProgram("FTD2XX.dll").c_str()) != INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "FTD2XX.dll is beside this copy; the lone copy runs this case";
    }
    attach("XYZ");
    Ftd2xxService service;
    installFtdiService(&service);
    std::uint32_t count = 99;
    EXPECT_EQ(service.countDevices(count), kFtdiOk);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(scan().empty());
}

}  // namespace

// The FTD2XX.dll service under Wine, against the test FTD2XX.dll beside this program: the real
// hardware scan and device link over it, and a program without a usable library.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "app/connection_window.h"
#include "app/shell.h"
#include "link/connection_table.h"
#include "link/device_link.h"
#include "link/win32/ftd2xx_service.h"
#include "tests/support/fake_serial_port_service.h"
#include "tests/support/tool_fixture.h"
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
    Ftd2xxTest() {
        registerWindowClasses();
        char folder[MAX_PATH] = {};
        GetTempPathA(sizeof folder, folder);
        logPath_ =
            std::string(folder) + "zr8-fake-ftdi-" + std::to_string(GetCurrentProcessId()) + ".log";
        DeleteFileA(logPath_.c_str());
        SetEnvironmentVariableA("ZR8_FAKE_FTDI_LOG", logPath_.c_str());
    }
    ~Ftd2xxTest() override {
        installFtdiService(nullptr);
        SetEnvironmentVariableA("ZR8_FAKE_FTDI", nullptr);
        SetEnvironmentVariableA("ZR8_FAKE_FTDI_LOG", nullptr);
        DeleteFileA(logPath_.c_str());
    }

    static void attach(const std::string& adapters) {
        SetEnvironmentVariableA("ZR8_FAKE_FTDI", adapters.c_str());
    }

    std::vector<std::string> scan() {
        WindowHandle window = screen.createDialog("CONNECTIONWINZR8", nullptr);
        shellState().currentWindow = window;
        scanHardware(window);
        return screen.control(window, kConnectionListId).rows;
    }

    // What the test library was asked to do, one call a line.
    std::vector<std::string> calls() const {
        std::vector<std::string> lines;
        std::ifstream file(logPath_);
        for (std::string line; std::getline(file, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    const std::string& logPath() const { return logPath_; }

  private:
    std::string logPath_;
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
        DeleteFileA(logPath().c_str());
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

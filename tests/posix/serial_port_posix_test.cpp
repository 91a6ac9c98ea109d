// The termios serial-port service over real ptys mapped as COM5: what the probe lists, exclusive
// opening and its release, the raw 8N1 settings, reads that never wait, writes that never hang,
// the purge, and a panel side that goes away.
#include "link/posix/serial_port_posix.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>

#include "tests/posix/posix_test_support.h"

namespace {

using posix_test::byteRun;
using posix_test::Bytes;
using posix_test::Clock;

constexpr int kPort = 5;

// Whether the tty has been made exclusive, as another program would see it.
bool exclusiveFlag(int fd) {
    int exclusive = 0;
    return ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

class PtyPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        environment.clearPortVariables();
        environment.set("ZR8_COM5", pty.path());
    }

    // Opens COM5 and sets it up as the device link does.
    SerialPort openConfigured(std::uint32_t baudRate = 38400) {
        const SerialPort port = service.openPort(kPort);
        EXPECT_NE(port, nullptr);
        EXPECT_TRUE(service.configurePort(port, baudRate));
        service.setReadsNonBlocking(port);
        service.purgePort(port);
        return port;
    }

    Bytes readOnce(SerialPort port, std::uint32_t capacity) {
        Bytes buffer(capacity + 8, 0xEE);
        const std::uint32_t count = service.readPort(port, buffer.data(), capacity);
        EXPECT_LE(count, capacity);
        for (std::size_t i = capacity; i < buffer.size(); ++i) {
            EXPECT_EQ(buffer[i], 0xEE) << "written past the capacity at " << i;
        }
        buffer.resize(std::min(count, capacity));
        return buffer;
    }

    posix_test::Environment environment;
    posix_test::Pty pty;
    PosixSerialPortService service;
};

// --- Probe and exclusive opening ----------------------------------------------------------------

TEST_F(PtyPortTest, ProbeListsAFreePtyAndLeavesItFreeAndUnflagged) {
    EXPECT_TRUE(service.probePort(kPort));
    EXPECT_FALSE(exclusiveFlag(pty.peer())) << "the probe must give the tty back as it was";
    EXPECT_TRUE(service.probePort(kPort)) << "a second probe finds it free again";
    const SerialPort port = service.openPort(kPort);
    EXPECT_NE(port, nullptr);
    service.closePort(port);
}

TEST_F(PtyPortTest, AnOpenPortIsExclusiveUntilClosedThenOpensAgain) {
    const SerialPort port = service.openPort(kPort);
    ASSERT_NE(port, nullptr);
    EXPECT_TRUE(exclusiveFlag(pty.peer()));

    EXPECT_EQ(service.openPort(kPort), nullptr) << "a second open in this copy";
    EXPECT_FALSE(service.probePort(kPort));
    PosixSerialPortService anotherCopy;
    EXPECT_EQ(anotherCopy.openPort(kPort), nullptr) << "another copy of the tool";
    EXPECT_FALSE(anotherCopy.probePort(kPort));
    // The same device under a second port number is still the same, busy device.
    environment.set("ZR8_COM6", pty.path());
    EXPECT_EQ(anotherCopy.openPort(6), nullptr);

    service.closePort(port);
    EXPECT_FALSE(exclusiveFlag(pty.peer())) << "closing must clear the tty's exclusive flag";
    const SerialPort again = anotherCopy.openPort(kPort);
    EXPECT_NE(again, nullptr);
    anotherCopy.closePort(again);
}

TEST_F(PtyPortTest, AMappingToASymlinkReachesTheDeviceItPointsToWithTheSameExclusivity) {
    const std::filesystem::path link =
        std::filesystem::temp_directory_path() / ("zr8-com-link-" + std::to_string(::getpid()));
    std::filesystem::remove(link);
    std::filesystem::create_symlink(pty.path(), link);
    environment.set("ZR8_COM3", link.string());

    EXPECT_TRUE(service.probePort(3));
    const SerialPort port = service.openPort(3);
    ASSERT_NE(port, nullptr);
    EXPECT_FALSE(service.probePort(kPort)) << "the same pty under its own path is busy";
    const Bytes frame = byteRun(11);
    service.writePort(port, frame.data(), static_cast<std::uint32_t>(frame.size()));
    EXPECT_EQ(pty.receive(frame.size()), frame);
    service.closePort(port);
    std::filesystem::remove(link);
}

// Another program that holds the pty in one of the two ways a holder can show it.
struct HolderCase {
    const char* name;
    bool exclusive;  // TIOCEXCL, as terminal programs do
    bool locked;     // flock, as another copy of the tool does
};

void PrintTo(const HolderCase& tested, std::ostream* out) {
    *out << tested.name;
}

class HeldPtyTest : public PtyPortTest, public ::testing::WithParamInterface<HolderCase> {};

TEST_P(HeldPtyTest, IsNeitherListedNorOpenedWhileHeldAndIsOnceLetGo) {
    const int holder = ::open(pty.path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(holder, 0);
    if (GetParam().exclusive) {
        ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);
    }
    if (GetParam().locked) {
        ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    }

    EXPECT_FALSE(service.probePort(kPort));
    EXPECT_EQ(service.openPort(kPort), nullptr);
    EXPECT_EQ(exclusiveFlag(pty.peer()), GetParam().exclusive) << "the holder's state is kept";

    ::ioctl(holder, TIOCNXCL);
    ::close(holder);
    EXPECT_TRUE(service.probePort(kPort));
}

INSTANTIATE_TEST_SUITE_P(Holders, HeldPtyTest,
                         ::testing::Values(HolderCase{"exclusive", true, false},
                                           HolderCase{"locked", false, true}),
                         [](const ::testing::TestParamInfo<HolderCase>& tested) {
                             return std::string(tested.param.name);
                         });

struct NotAPortCase {
    const char* name;
    const char* mapping;  // what ZR8_COM5 says; "@file" and "@dir" name a file and a folder
};

void PrintTo(const NotAPortCase& tested, std::ostream* out) {
    *out << tested.name;
}

class NotAPortTest : public PtyPortTest, public ::testing::WithParamInterface<NotAPortCase> {};

TEST_P(NotAPortTest, IsNotListedAndDoesNotOpen) {
    const std::filesystem::path scratch =
        std::filesystem::temp_directory_path() / ("zr8-not-a-port-" + std::to_string(::getpid()));
    std::filesystem::create_directories(scratch);
    std::ofstream(scratch / "file") << "COM5\n";
    std::string mapping = GetParam().mapping;
    if (mapping == "@file") {
        mapping = (scratch / "file").string();
    } else if (mapping == "@dir") {
        mapping = scratch.string();
    }
    environment.set("ZR8_COM5", mapping);

    EXPECT_FALSE(service.probePort(kPort));
    EXPECT_EQ(service.openPort(kPort), nullptr);
    std::filesystem::remove_all(scratch);
}

INSTANTIATE_TEST_SUITE_P(Mappings, NotAPortTest,
                         ::testing::Values(NotAPortCase{"missing", "/dev/zr8-no-such-port"},
                                           NotAPortCase{"hidden", ""},
                                           NotAPortCase{"character_device_not_a_tty", "/dev/null"},
                                           NotAPortCase{"regular_file", "@file"},
                                           NotAPortCase{"folder", "@dir"}),
                         [](const ::testing::TestParamInfo<NotAPortCase>& tested) {
                             return std::string(tested.param.name);
                         });

TEST_F(PtyPortTest, PortsOutsideCom1ToCom8AndForeignHandlesAreRefused) {
    EXPECT_FALSE(service.probePort(0));
    EXPECT_FALSE(service.probePort(9));
    EXPECT_EQ(service.openPort(9), nullptr);

    int notAPort = 0;
    const auto foreign = reinterpret_cast<SerialPort>(&notAPort);
    std::uint8_t buffer[4] = {};
    EXPECT_FALSE(service.configurePort(foreign, 9600));
    EXPECT_FALSE(service.configurePort(nullptr, 9600));
    EXPECT_EQ(service.readPort(foreign, buffer, sizeof buffer), 0u);
    service.writePort(foreign, buffer, sizeof buffer);
    service.closePort(foreign);
    EXPECT_EQ(notAPort, 0);
}

// --- Line settings ------------------------------------------------------------------------------

struct SpeedCase {
    std::uint32_t baudRate;
    speed_t speed;
};

void PrintTo(const SpeedCase& tested, std::ostream* out) {
    *out << tested.baudRate;
}

class LineSettingsTest : public PtyPortTest, public ::testing::WithParamInterface<SpeedCase> {};

TEST_P(LineSettingsTest, ConfigureMakesTheLineRaw8N1AtTheSpeedWithReadsThatReturnAtOnce) {
    // Start from a cooked 7E2 line with flow control at another speed, as an earlier program
    // may have left it.
    termios cooked{};
    ASSERT_EQ(::tcgetattr(pty.peer(), &cooked), 0);
    cooked.c_lflag |= ICANON | ECHO | ISIG | IEXTEN;
    cooked.c_iflag |= ICRNL | IXON | IXOFF | ISTRIP;
    cooked.c_oflag |= OPOST | ONLCR;
    cooked.c_cflag = (cooked.c_cflag & ~CSIZE) | CS7 | PARENB | CSTOPB | CRTSCTS;
    cooked.c_cc[VMIN] = 1;
    cfsetispeed(&cooked, B1200);
    cfsetospeed(&cooked, B1200);
    ASSERT_EQ(::tcsetattr(pty.peer(), TCSANOW, &cooked), 0);

    const SerialPort port = service.openPort(kPort);
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(service.configurePort(port, GetParam().baudRate));

    termios line{};
    ASSERT_EQ(::tcgetattr(pty.peer(), &line), 0);
    EXPECT_EQ(cfgetispeed(&line), GetParam().speed);
    EXPECT_EQ(cfgetospeed(&line), GetParam().speed);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_iflag & (ICRNL | IXON | IXOFF | ISTRIP), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);
    service.closePort(port);
}

INSTANTIATE_TEST_SUITE_P(Speeds, LineSettingsTest,
                         ::testing::Values(SpeedCase{9600, B9600}, SpeedCase{38400, B38400}));

TEST_F(PtyPortTest, ConfigureRefusesASpeedTheLineCannotRun) {
    const SerialPort port = service.openPort(kPort);
    ASSERT_NE(port, nullptr);
    EXPECT_FALSE(service.configurePort(port, 12345));
    EXPECT_FALSE(service.configurePort(port, 0));
    service.closePort(port);
}

// --- Reading ------------------------------------------------------------------------------------

TEST_F(PtyPortTest, ReadWithNothingWaitingReturnsZeroAtOnce) {
    const SerialPort port = openConfigured();
    const auto start = Clock::now();
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(readOnce(port, 100).empty());
    }
    // A read that waited would hang here; the bound only catches a slow one.
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(service.portGone(port)) << "a quiet line is not a line that went away";
    service.closePort(port);
}

TEST_F(PtyPortTest, ArrivedBytesComeUnchangedAtMostCapacityAtATimeTheRestOnTheNextRead) {
    const SerialPort port = openConfigured();
    const Bytes sent = byteRun(250);
    ASSERT_TRUE(pty.send(sent));
    ASSERT_TRUE(pty.waitForSlaveInput(250));

    Bytes received;
    std::vector<std::size_t> counts;
    for (int i = 0; i < 4; ++i) {
        const Bytes chunk = readOnce(port, 100);
        counts.push_back(chunk.size());
        received.insert(received.end(), chunk.begin(), chunk.end());
    }
    EXPECT_EQ(counts, (std::vector<std::size_t>{100, 100, 50, 0}));
    EXPECT_EQ(received, sent);
    service.closePort(port);
}

TEST_F(PtyPortTest, AfterThePanelSideClosesReadsReturnZeroWritesReturnAndThePortIsGone) {
    const SerialPort port = openConfigured();
    ASSERT_TRUE(pty.send({0x70, 0x81}));
    ASSERT_TRUE(pty.waitForSlaveInput(2));
    EXPECT_FALSE(service.portGone(port));
    pty.closeMaster();

    // What had arrived may still be read or may be gone with the hang-up; then nothing comes.
    const Bytes first = readOnce(port, 100);
    EXPECT_TRUE(first.empty() || first == (Bytes{0x70, 0x81}));
    EXPECT_TRUE(readOnce(port, 100).empty());
    EXPECT_TRUE(service.portGone(port));
    const auto start = Clock::now();
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(readOnce(port, 100).empty());
        const Bytes frame = byteRun(11);
        service.writePort(port, frame.data(), static_cast<std::uint32_t>(frame.size()));
    }
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
    service.closePort(port);
    EXPECT_FALSE(service.portGone(port)) << "a closed handle is not a port";
}

// --- Writing ------------------------------------------------------------------------------------

TEST_F(PtyPortTest, WrittenBytesReachThePanelUnchanged) {
    const SerialPort port = openConfigured();
    // Newline, carriage return, XON, XOFF, ^C, DEL and 0xFF would all be changed or eaten by a
    // line that is not raw.
    const Bytes frame = {0x0A, 0x0D, 0x11, 0x13, 0x03, 0x7F, 0xFF, 0x00, 0x63, 0x80, 0x8A};
    service.writePort(port, frame.data(), static_cast<std::uint32_t>(frame.size()));
    EXPECT_EQ(pty.receive(frame.size()), frame);
    service.closePort(port);
}

TEST_F(PtyPortTest, WriteToAStalledLineReturnsDroppingWhatDoesNotFitAndTheLineWorksAfter) {
    const SerialPort port = openConfigured();
    // Nobody reads the panel side: far more than a pty holds.
    const Bytes block = byteRun(512 * 1024);
    const Bytes frame = byteRun(11, 0x40);

    const auto start = Clock::now();
    service.writePort(port, block.data(), static_cast<std::uint32_t>(block.size()));
    service.writePort(port, frame.data(), static_cast<std::uint32_t>(frame.size()));
    const auto took = Clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(2)) << "the writes waited far beyond their limit";

    // What got through is the start of the block, possibly followed by the start of the frame:
    // nothing reordered, nothing after a gap.
    const Bytes received = pty.receive(block.size());
    ASSERT_GT(received.size(), 0u);
    ASSERT_LT(received.size(), block.size());
    std::size_t fromBlock = 0;
    while (fromBlock < received.size() && received[fromBlock] == block[fromBlock]) {
        ++fromBlock;
    }
    const Bytes rest(received.begin() + static_cast<std::ptrdiff_t>(fromBlock), received.end());
    ASSERT_LE(rest.size(), frame.size());
    EXPECT_EQ(rest, Bytes(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(rest.size())));

    // Once the panel reads again, frames go through whole.
    service.writePort(port, frame.data(), static_cast<std::uint32_t>(frame.size()));
    EXPECT_EQ(pty.receive(frame.size()), frame);
    service.closePort(port);
}

TEST_F(PtyPortTest, AWriteLargerThanTheLineHoldsGoesThroughWholeWhileThePanelKeepsReading) {
    // A generous limit: the write must carry on after partial writes and full buffers, not stop
    // at the first one.
    PosixSerialPortService patient(std::chrono::milliseconds(3000));
    const SerialPort port = patient.openPort(kPort);
    ASSERT_NE(port, nullptr);
    ASSERT_TRUE(patient.configurePort(port, 38400));
    const Bytes block = byteRun(512 * 1024);

    Bytes received;
    std::thread panel([&] { received = pty.receive(block.size(), std::chrono::seconds(2)); });
    patient.writePort(port, block.data(), static_cast<std::uint32_t>(block.size()));
    panel.join();

    EXPECT_EQ(received.size(), block.size());
    EXPECT_TRUE(received == block) << "bytes lost or reordered";
    patient.closePort(port);
}

// --- Purge and close ----------------------------------------------------------------------------

TEST_F(PtyPortTest, PurgeDropsWhatWasWaitingAndLaterBytesStillArrive) {
    const SerialPort port = openConfigured();
    ASSERT_TRUE(pty.send({0x10, 0x81, 0x82}));
    ASSERT_TRUE(pty.waitForSlaveInput(3));

    service.purgePort(port);
    EXPECT_TRUE(readOnce(port, 100).empty());

    ASSERT_TRUE(pty.send({0x12, 0x83}));
    ASSERT_TRUE(pty.waitForSlaveInput(2));
    EXPECT_EQ(readOnce(port, 100), (Bytes{0x12, 0x83}));
    service.closePort(port);
}

TEST_F(PtyPortTest, AClosedHandleReachesNothingAndClosingTwiceIsHarmless) {
    const SerialPort port = openConfigured();
    service.closePort(port);
    service.closePort(port);
    // The handle is stale: nothing reaches the pty any more.
    const Bytes frame = byteRun(11);
    service.writePort(port, frame.data(), static_cast<std::uint32_t>(frame.size()));
    EXPECT_TRUE(pty.receive(1, std::chrono::milliseconds(50)).empty());

    const SerialPort again = service.openPort(kPort);
    ASSERT_NE(again, nullptr);
    service.writePort(again, frame.data(), static_cast<std::uint32_t>(frame.size()));
    EXPECT_EQ(pty.receive(frame.size()), frame);
    service.closePort(again);
}

TEST_F(PtyPortTest, TheServiceClosesWhatIsStillOpenWhenItGoesAway) {
    {
        PosixSerialPortService shortLived;
        ASSERT_NE(shortLived.openPort(kPort), nullptr);
        EXPECT_FALSE(service.probePort(kPort));
    }
    EXPECT_FALSE(exclusiveFlag(pty.peer()));
    EXPECT_TRUE(service.probePort(kPort));
}

}  // namespace

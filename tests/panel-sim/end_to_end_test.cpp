// The built simulator over a real pty, driven the way the tool drives its port: scan probe,
// exclusive raw open with a purge, the three frames, then reading what the panel sends.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/protocol_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWaitMs = 5000;  // the longest any one step may take

const Bytes kTrimOff = {0x78, 0x09, 0x18, 0x00, 0x18, 0x59, 0x00, 0x00, 0x00, 0x00, 0x8E};
const Bytes kGearOff = {0x78, 0x09, 0x63, 0x00, 0x2F, 0x20, 0x00, 0x00, 0x00, 0x00, 0xFC};
const Bytes kHobbsOff = {0x78, 0x09, 0x61, 0x00, 0x37, 0x02, 0x00, 0x00, 0x00, 0x00, 0x2D};

int remainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// The simulator as a child process with its standard output on a pipe.
class Simulator {
  public:
    Simulator(const std::vector<std::string>& args, const std::string& stderrPath) {
        std::vector<std::string> all = {ZR8_PANEL_SIM_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) {
            return;
        }
        const int errFd = ::open(stderrPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(pipeFds[1], 1);
            if (errFd >= 0) {
                ::dup2(errFd, 2);
            }
            ::close(pipeFds[0]);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(pipeFds[1]);
        if (errFd >= 0) {
            ::close(errFd);
        }
        out_ = pipeFds[0];
    }

    ~Simulator() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) {
            ::close(out_);
        }
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    bool started() const { return pid_ > 0 && out_ >= 0; }
    void signal(int number) { ::kill(pid_, number); }

    // The next line of its standard output; false when none comes in time.
    bool readLine(std::string& line, int timeoutMs = kWaitMs) {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const std::size_t end = pending_.find('\n');
            if (end != std::string::npos) {
                line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                lines.push_back(line);
                return true;
            }
            pollfd fd{out_, POLLIN, 0};
            if (::poll(&fd, 1, remainingMs(deadline)) <= 0) {
                return false;
            }
            char buffer[4096];
            const ssize_t count = ::read(out_, buffer, sizeof buffer);
            if (count <= 0) {
                return false;
            }
            pending_.append(buffer, static_cast<std::size_t>(count));
        }
    }

    // Reads lines until one equals wanted.
    bool readUntil(const std::string& wanted) {
        std::string line;
        while (readLine(line)) {
            if (line == wanted) {
                return true;
            }
        }
        return false;
    }

    // Exit status, or -1 when it did not exit in time.
    int waitExit(int timeoutMs = kWaitMs) {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (remainingMs(deadline) == 0) {
                return -1;
            }
            ::usleep(5000);
        }
    }

    std::vector<std::string> lines;  // every line read so far

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    bool exited_ = false;
    std::string pending_;
};

// Opens the port as the tool does: exclusive, raw 8N1 at 38400, non-blocking, purged.
int openLikeTheTool(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        return -1;
    }
    termios settings{};
    if (::ioctl(fd, TIOCEXCL) != 0 || ::tcgetattr(fd, &settings) != 0) {
        ::close(fd);
        return -1;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&settings, B38400);
    ::cfsetospeed(&settings, B38400);
    ::tcsetattr(fd, TCSANOW, &settings);
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

bool writeAll(int fd, const Bytes& bytes) {
    return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

// Reads from the port until done says so or timeoutMs passes; returns all that came.
Bytes readPort(int fd, int timeoutMs, const std::function<bool(const Bytes&)>& done) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Bytes received;
    while (!done(received)) {
        pollfd poller{fd, POLLIN, 0};
        const int left = remainingMs(deadline);
        if (left == 0 || ::poll(&poller, 1, left) <= 0) {
            break;
        }
        std::uint8_t buffer[256];
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            received.insert(received.end(), buffer, buffer + count);
        } else if (count == 0 || errno != EAGAIN) {
            break;  // the other side is gone
        }
    }
    return received;
}

class PanelSimulatorTest : public ProtocolTest {
  protected:
    PanelSimulatorTest() {
        char pattern[] = "/tmp/zr8-panel-sim-XXXXXX";
        if (::mkdtemp(pattern) != nullptr) {
            dir = pattern;
        }
        link = dir + "/com5";
        errors = dir + "/stderr";
    }
    ~PanelSimulatorTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }

    // Starts the simulator on a pty linked at `link` and checks the first line names the pty.
    void startWith(std::unique_ptr<Simulator>& simulator, std::vector<std::string> args) {
        args.insert(args.begin(), {"--link", link});
        simulator = std::make_unique<Simulator>(args, errors);
        ASSERT_TRUE(simulator->started());
        std::string first;
        ASSERT_TRUE(simulator->readLine(first)) << stderrText();
        ASSERT_EQ(first.rfind("pty /dev/", 0), 0u) << first;
        std::error_code error;
        EXPECT_EQ(std::filesystem::read_symlink(link, error).string(), first.substr(4));
    }

    std::string stderrText() const {
        std::ifstream in(errors);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string dir;
    std::string link;
    std::string errors;
};

TEST_F(PanelSimulatorTest, TheToolsFramesStartTheDemoAndArePrinted) {
    std::unique_ptr<Simulator> simulator;
    startWith(simulator, {"--exit-on-hangup"});
    if (HasFatalFailure()) {
        return;
    }

    // The scan's probe: a brief open and close before any frame is no hangup.
    const int probe = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(probe, 0);
    ::close(probe);

    const int port = openLikeTheTool(link);
    ASSERT_GE(port, 0) << "the simulator must not hold the slave side";
    // Nothing is sent before the tool's first frame: it would have been purged.
    EXPECT_TRUE(readPort(port, 150, [](const Bytes& b) { return !b.empty(); }).empty());

    ASSERT_TRUE(writeAll(port, kTrimOff));
    ASSERT_TRUE(writeAll(port, kGearOff));
    ASSERT_TRUE(writeAll(port, kHobbsOff));

    std::size_t decoded = 0;
    readPort(port, kWaitMs, [&](const Bytes& bytes) {
        feed(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(decoded), bytes.end()));
        decoded = bytes.size();
        return moduleLines().size() == 9 && mainboardText() == "17A-3-5";
    });
    EXPECT_EQ(moduleLines().size(), 9u);
    EXPECT_EQ(mainboardText(), "17A-3-5");

    std::string line;
    std::vector<std::string> frames;
    while (frames.size() < 3 && simulator->readLine(line)) {
        if (line.rfind("frame ", 0) == 0 || line.rfind("bad-frame ", 0) == 0 ||
            line.rfind("stray ", 0) == 0) {
            frames.push_back(line);
        }
    }
    const std::vector<std::string> expected = {
        "frame 78 09 18 00 18 59 00 00 00 00 8E TrimIndicator on=0 position=0",
        "frame 78 09 63 00 2F 20 00 00 00 00 FC GearLights nose=OFF left=OFF right=OFF dimmed=0",
        "frame 78 09 61 00 37 02 00 00 00 00 2D HobbsMeter on=0",
    };
    EXPECT_EQ(frames, expected);

    // The tool closes its port: the simulator leaves, and takes its link with it.
    ::close(port);
    EXPECT_TRUE(simulator->readUntil("hangup"));
    EXPECT_EQ(simulator->waitExit(), 0) << stderrText();
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST_F(PanelSimulatorTest, ABadFrameStartsNothingAndFileBytesArriveAsWritten) {
    {
        std::ofstream file(dir + "/odd.scn");
        file << "# odd bytes\n0 FF 00 78\n20 12 80 d5\n";
    }
    std::unique_ptr<Simulator> simulator;
    startWith(simulator, {"--scenario", dir + "/odd.scn"});
    if (HasFatalFailure()) {
        return;
    }
    const int port = openLikeTheTool(link);
    ASSERT_GE(port, 0);

    Bytes bad = kHobbsOff;
    bad[10] ^= 0x01;
    ASSERT_TRUE(writeAll(port, bad));
    EXPECT_TRUE(
        simulator->readUntil("bad-frame 78 09 61 00 37 02 00 00 00 00 2C checksum 2C expected 2D"));
    EXPECT_TRUE(readPort(port, 150, [](const Bytes& b) { return !b.empty(); }).empty());

    ASSERT_TRUE(writeAll(port, kHobbsOff));
    const Bytes received =
        readPort(port, kWaitMs, [](const Bytes& bytes) { return bytes.size() >= 6; });
    EXPECT_EQ(received, (Bytes{0xFF, 0x00, 0x78, 0x12, 0x80, 0xD5}));
    EXPECT_TRUE(simulator->readUntil("end " + dir + "/odd.scn"));
    ::close(port);
    simulator->signal(SIGTERM);
    EXPECT_EQ(simulator->waitExit(), 0);
}

// Without --exit-on-hangup the simulator outlives the tool and plays again for its next run.
TEST_F(PanelSimulatorTest, ANewRunOfTheToolGetsTheScenarioAgain) {
    {
        std::ofstream file(dir + "/short.scn");
        file << "0 70 98 84\n";
    }
    std::unique_ptr<Simulator> simulator;
    startWith(simulator, {"--scenario", dir + "/short.scn"});
    if (HasFatalFailure()) {
        return;
    }
    for (int run = 0; run < 2; ++run) {
        const int port = openLikeTheTool(link);
        ASSERT_GE(port, 0) << "run " << run;
        ASSERT_TRUE(writeAll(port, kTrimOff));
        const Bytes received =
            readPort(port, kWaitMs, [](const Bytes& bytes) { return bytes.size() >= 3; });
        EXPECT_EQ(received, (Bytes{0x70, 0x98, 0x84})) << "run " << run;
        ::close(port);
        EXPECT_TRUE(simulator->readUntil("hangup")) << "run " << run;
    }
    simulator->signal(SIGTERM);
    EXPECT_EQ(simulator->waitExit(), 0);
}

// A serial device instead of a pty: here the slave side of a pty that the test holds the
// master of, as a null-modem cable would.
TEST_F(PanelSimulatorTest, PlaysOverASerialDevice) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const std::string device = ::ptsname(master);
    termios settings{};
    ::tcgetattr(master, &settings);
    ::cfmakeraw(&settings);
    ::tcsetattr(master, TCSANOW, &settings);

    Simulator simulator({"--device", device, "--baud", "9600"}, errors);
    ASSERT_TRUE(simulator.started());
    std::string first;
    ASSERT_TRUE(simulator.readLine(first)) << stderrText();
    EXPECT_EQ(first, "device " + device);
    ASSERT_TRUE(writeAll(master, kGearOff));
    EXPECT_TRUE(simulator.readUntil(
        "frame 78 09 63 00 2F 20 00 00 00 00 FC GearLights nose=OFF left=OFF right=OFF dimmed=0"));
    const Bytes received =
        readPort(master, kWaitMs, [](const Bytes& bytes) { return bytes.size() >= 3; });
    ASSERT_GE(received.size(), 3u);
    EXPECT_EQ(Bytes(received.begin(), received.begin() + 3), (Bytes{0x70, 0x90, 0x83}));
    simulator.signal(SIGTERM);
    EXPECT_EQ(simulator.waitExit(), 0);
    ::close(master);
}

// The tool may open, send and close again before the simulator looks: still a hangup.
TEST_F(PanelSimulatorTest, AToolThatComesAndGoesAtOnceIsSeenGoing) {
    std::unique_ptr<Simulator> simulator;
    startWith(simulator, {"--exit-on-hangup"});
    if (HasFatalFailure()) {
        return;
    }
    // The scan's probe; once the simulator has seen it go, it looks at the pty only every 20 ms.
    const int probe = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(probe, 0);
    ::close(probe);
    ::usleep(30000);
    const int port = openLikeTheTool(link);
    ASSERT_GE(port, 0);
    ASSERT_TRUE(writeAll(port, kHobbsOff));
    ::close(port);
    EXPECT_TRUE(simulator->readUntil("frame 78 09 61 00 37 02 00 00 00 00 2D HobbsMeter on=0"));
    EXPECT_TRUE(simulator->readUntil("hangup"));
    EXPECT_EQ(simulator->waitExit(), 0) << stderrText();
}

TEST_F(PanelSimulatorTest, SignalsEndItCleanly) {
    for (int number : {SIGTERM, SIGINT}) {
        std::unique_ptr<Simulator> simulator;
        startWith(simulator, {});
        if (HasFatalFailure()) {
            return;
        }
        simulator->signal(number);
        EXPECT_EQ(simulator->waitExit(), 0) << strsignal(number);
        EXPECT_FALSE(std::filesystem::is_symlink(link)) << strsignal(number);
    }
}

TEST_F(PanelSimulatorTest, BadScenarioFileIsOneLineAndStatusTwo) {
    {
        std::ofstream file(dir + "/bad.scn");
        file << "0 70 90 83\n\n10 12 8G\n";
    }
    Simulator simulator({"--scenario", dir + "/bad.scn", "--link", link}, errors);
    ASSERT_TRUE(simulator.started());
    EXPECT_EQ(simulator.waitExit(), 2);
    EXPECT_EQ(stderrText(),
              "zr8-panel-sim: " + dir + "/bad.scn:3: '8G' is not a hex byte (00..FF)\n");
    EXPECT_FALSE(std::filesystem::exists(link));
    std::string line;
    EXPECT_FALSE(simulator.readLine(line, 100)) << "nothing on standard output: " << line;
}

}  // namespace

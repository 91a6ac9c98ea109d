// Helpers of the Linux platform tests: environment variables set for one test, a pty standing
// in for a COM port with the panel on its other side, and bounded waits on it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace posix_test {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

// The longest any test waits for something the kernel does at once; reaching it is a failure.
constexpr std::chrono::seconds kPatience{5};

// Sets environment variables for the life of the object and puts back what was there.
class Environment {
  public:
    Environment() = default;
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;
    ~Environment() {
        for (const auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }
    void set(const std::string& name, const std::string& value) {
        remember(name);
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    void unset(const std::string& name) {
        remember(name);
        ::unsetenv(name.c_str());
    }
    // No ZR8_COM<n> set, so that only what a test sets counts.
    void clearPortVariables() {
        for (int port = 1; port <= 8; ++port) {
            unset("ZR8_COM" + std::to_string(port));
        }
    }

  private:
    void remember(const std::string& name) {
        if (saved_.count(name) == 0) {
            const char* value = ::getenv(name.c_str());
            saved_[name] = value ? std::optional<std::string>(value) : std::nullopt;
        }
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

// A pty pair: the tool opens the slave by its path as a COM port; the test plays the panel on
// the master. The test keeps a descriptor of its own on the slave ("peer") to look at the
// slave's settings and input queue; it holds no lock and never reads from it.
class Pty {
  public:
    Pty() {
        char name[128] = {};
        if (::openpty(&master_, &peer_, name, nullptr, nullptr) != 0) {
            master_ = peer_ = -1;
            return;
        }
        path_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        // The master side raw as well, so that the bytes the tool sends come out unchanged.
        termios settings{};
        ::tcgetattr(master_, &settings);
        ::cfmakeraw(&settings);
        ::tcsetattr(master_, TCSANOW, &settings);
    }
    ~Pty() {
        closeMaster();
        if (peer_ >= 0) {
            ::close(peer_);
        }
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool ok() const { return master_ >= 0 && peer_ >= 0; }
    const std::string& path() const { return path_; }
    int master() const { return master_; }
    int peer() const { return peer_; }
    // The panel goes away.
    void closeMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    // The panel sends; all of it, or the test fails by the caller's check of the result.
    bool send(const Bytes& bytes) const {
        std::size_t done = 0;
        const auto deadline = Clock::now() + kPatience;
        while (done < bytes.size() && Clock::now() < deadline) {
            const ssize_t count = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (count > 0) {
                done += static_cast<std::size_t>(count);
            } else {
                pollfd request{master_, POLLOUT, 0};
                ::poll(&request, 1, 10);
            }
        }
        return done == bytes.size();
    }
    // Waits until at least count bytes wait in the slave's input queue; true when they do.
    bool waitForSlaveInput(int count) const {
        const auto deadline = Clock::now() + kPatience;
        for (;;) {
            int waiting = 0;
            if (::ioctl(peer_, FIONREAD, &waiting) == 0 && waiting >= count) {
                return true;
            }
            if (Clock::now() >= deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // What the panel receives: reads until count bytes came, or until nothing more comes for
    // quiet (then the result is shorter).
    Bytes receive(std::size_t count,
                  std::chrono::milliseconds quiet = std::chrono::milliseconds(200)) const {
        Bytes received;
        std::uint8_t chunk[4096];
        const auto deadline = Clock::now() + kPatience;
        while (received.size() < count && Clock::now() < deadline) {
            pollfd request{master_, POLLIN, 0};
            if (::poll(&request, 1, static_cast<int>(quiet.count())) <= 0) {
                break;
            }
            const ssize_t got = ::read(master_, chunk, sizeof chunk);
            if (got <= 0) {
                break;
            }
            received.insert(received.end(), chunk, chunk + got);
        }
        return received;
    }

  private:
    int master_ = -1;
    int peer_ = -1;
    std::string path_;
};

// count bytes that differ from their neighbours, so a lost or repeated stretch shows; every
// byte value comes up, the tty's special characters included.
inline Bytes byteRun(std::size_t count, std::uint8_t first = 0) {
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(first + i * 7 + i / 256);
    }
    return bytes;
}

}  // namespace posix_test

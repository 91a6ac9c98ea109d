// The benchmarks' mainboard stand-in over a pty.
#include "bench/program/line_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <ctime>

LineWriter::LineWriter() {
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) {
        master_ = -1;
        return;
    }
    termios settings{};
    tcgetattr(master_, &settings);
    cfmakeraw(&settings);
    tcsetattr(master_, TCSANOW, &settings);
    path_ = ttyname(slave);
    close(slave);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

LineWriter::~LineWriter() {
    stop();
    if (master_ >= 0) {
        close(master_);
    }
}

void LineWriter::start(const std::vector<std::uint8_t>& bytes, double bytesPerSecond) {
    stop();
    // Reuses the buffers of the last run, so that a soak measures the tool and not this writer.
    bytes_.assign(bytes.begin(), bytes.end());
    stamps_.assign(bytes_.size(), Clock::time_point{});
    sent_ = 0;
    cpuSeconds_ = 0.0;
    stopping_ = false;
    finished_ = false;
    thread_ = std::thread([this, bytesPerSecond] { run(bytesPerSecond); });
}

void LineWriter::stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void LineWriter::run(double bytesPerSecond) {
    const Clock::time_point begin = Clock::now();
    std::size_t next = 0;
    std::uint8_t drain[512];
    while (!stopping_ && next < bytes_.size()) {
        // The tool's frames: read and forget, so its writes never stall.
        while (read(master_, drain, sizeof drain) > 0) {
        }
        const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
        std::size_t due = static_cast<std::size_t>(elapsed * bytesPerSecond);
        if (due > bytes_.size()) {
            due = bytes_.size();
        }
        while (next < due) {
            // Stamped before the write: the tool may read the bytes before write() returns.
            const Clock::time_point now = Clock::now();
            const ssize_t written = write(master_, bytes_.data() + next, due - next);
            if (written <= 0) {
                break;
            }
            for (std::size_t i = 0; i < static_cast<std::size_t>(written); ++i) {
                stamps_[next + i] = now;
            }
            next += static_cast<std::size_t>(written);
            sent_ = next;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    cpuSeconds_ = static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
    finished_ = true;
}

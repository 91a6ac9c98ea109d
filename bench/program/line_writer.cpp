// The benchmarks' mainboard stand-in over a pty.
#include "bench/program/line_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <algorithm>
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

void LineWriter::begin(const std::vector<std::uint8_t>& bytes) {
    stop();
    // Reuses the buffers of the last run, so that a soak measures the tool and not this writer.
    bytes_.assign(bytes.begin(), bytes.end());
    stamps_.assign(bytes_.size(), Clock::time_point{});
    next_ = 0;
    sent_ = 0;
    cpuSeconds_ = 0.0;
    stopping_ = false;
    finished_ = false;
}

void LineWriter::start(const std::vector<std::uint8_t>& bytes, double bytesPerSecond) {
    begin(bytes);
    thread_ = std::thread([this, bytesPerSecond] { runPaced(bytesPerSecond); });
}

void LineWriter::startBursts(const std::vector<std::uint8_t>& bytes,
                             const std::vector<Burst>& bursts) {
    begin(bytes);
    bursts_ = bursts;
    thread_ = std::thread([this] { runBursts(); });
}

void LineWriter::stop() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

void LineWriter::drainTool() {
    // The tool's frames: read and forget, so its writes never stall.
    std::uint8_t drain[512];
    while (read(master_, drain, sizeof drain) > 0) {
    }
}

bool LineWriter::writeUpTo(std::size_t end) {
    while (next_ < end) {
        // Stamped before the write: the tool may read the bytes before write() returns.
        const Clock::time_point now = Clock::now();
        const ssize_t written = write(master_, bytes_.data() + next_, end - next_);
        if (written <= 0) {
            return false;
        }
        for (std::size_t i = 0; i < static_cast<std::size_t>(written); ++i) {
            stamps_[next_ + i] = now;
        }
        next_ += static_cast<std::size_t>(written);
        sent_ = next_;
    }
    return true;
}

void LineWriter::runPaced(double bytesPerSecond) {
    const Clock::time_point begin = Clock::now();
    while (!stopping_ && next_ < bytes_.size()) {
        drainTool();
        const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();
        std::size_t due = static_cast<std::size_t>(elapsed * bytesPerSecond);
        if (due > bytes_.size()) {
            due = bytes_.size();
        }
        writeUpTo(due);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    finish();
}

void LineWriter::runBursts() {
    const Clock::time_point begin = Clock::now();
    std::size_t end = 0;
    for (const Burst& burst : bursts_) {
        end = std::min(bytes_.size(), end + burst.length);
        // Sleeps in steps of at most 100 ms, so that stop() is not kept waiting.
        const Clock::time_point due = begin + burst.due;
        while (!stopping_ && Clock::now() < due) {
            std::this_thread::sleep_until(
                std::min(due, Clock::now() + std::chrono::milliseconds(100)));
        }
        drainTool();
        while (!stopping_ && !writeUpTo(end)) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        if (stopping_) {
            break;
        }
    }
    finish();
}

void LineWriter::finish() {
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    cpuSeconds_ = static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
    finished_ = true;
}

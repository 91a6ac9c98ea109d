// A mainboard stand-in for the benchmarks: writes a stream into a pty at a given line rate from
// a thread of its own, remembers when each byte went out, and drains what the tool sends.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class LineWriter {
  public:
    using Clock = std::chrono::steady_clock;

    LineWriter();
    ~LineWriter();
    bool ok() const { return master_ >= 0; }
    const std::string& path() const { return path_; }

    // Sends the bytes at bytesPerSecond (paced in 2 ms slices); returns at once.
    void start(const std::vector<std::uint8_t>& bytes, double bytesPerSecond);
    void stop();
    bool finished() const { return finished_.load(); }
    std::size_t sent() const { return sent_.load(); }
    // When byte i went out (valid for i < sent()).
    Clock::time_point sentAt(std::size_t i) const { return stamps_[i]; }
    // The CPU time the writer's own thread spent on the last run, once finished().
    double cpuSeconds() const { return cpuSeconds_.load(); }

  private:
    void run(double bytesPerSecond);

    int master_ = -1;
    std::string path_;
    std::vector<std::uint8_t> bytes_;
    std::vector<Clock::time_point> stamps_;
    std::atomic<std::size_t> sent_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> finished_{false};
    std::atomic<double> cpuSeconds_{0.0};
    std::thread thread_;
};

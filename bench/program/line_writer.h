// A mainboard stand-in for the benchmarks: writes a stream into a pty from a thread of its own,
// either at a given line rate or in bursts at given times, remembers when each byte went out,
// and drains what the tool sends.
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

    // `length` bytes handed to the pty together, `due` after the start of the run.
    struct Burst {
        Clock::duration due;
        std::size_t length;
    };

    // Sends the bytes at bytesPerSecond (paced in 2 ms slices); returns at once.
    void start(const std::vector<std::uint8_t>& bytes, double bytesPerSecond);
    // Sends the bytes burst by burst, each at its due time (the bursts in order, their lengths
    // adding up to the bytes'); returns at once.
    void startBursts(const std::vector<std::uint8_t>& bytes, const std::vector<Burst>& bursts);
    void stop();
    bool finished() const { return finished_.load(); }
    std::size_t sent() const { return sent_.load(); }
    // When byte i went out (valid for i < sent()).
    Clock::time_point sentAt(std::size_t i) const { return stamps_[i]; }
    // The CPU time the writer's own thread spent on the last run, once finished().
    double cpuSeconds() const { return cpuSeconds_.load(); }

  private:
    void begin(const std::vector<std::uint8_t>& bytes);
    void runPaced(double bytesPerSecond);
    void runBursts();
    void drainTool();
    // Writes bytes up to index `end` (stamping each write just before it); false when the pty
    // takes no more for now.
    bool writeUpTo(std::size_t end);
    void finish();

    int master_ = -1;
    std::string path_;
    std::vector<std::uint8_t> bytes_;
    std::vector<Clock::time_point> stamps_;
    std::vector<Burst> bursts_;
    std::size_t next_ = 0;
    std::atomic<std::size_t> sent_{0};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> finished_{false};
    std::atomic<double> cpuSeconds_{0.0};
    std::thread thread_;
};

// zr8-panel-sim: a virtual ZR8 mainboard for the bench test tool. It announces its modules,
// plays input reports from the built-in demo or a scenario file, and prints every frame the tool
// sends. See usageText() in options.cpp for the command line.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "tools/panel-sim/frame_reader.h"
#include "tools/panel-sim/options.h"
#include "tools/panel-sim/pty_endpoint.h"
#include "tools/panel-sim/scenario.h"
#include "tools/panel-sim/scenario_player.h"
#include "zr8_version.h"

namespace {

using panelsim::Endpoint;
using panelsim::FrameLine;
using panelsim::FrameLineKind;
using panelsim::Options;
using panelsim::StartMode;

constexpr const char* kProgram = "zr8-panel-sim";
// Held bytes of a frame or a stray run are reported after this long without input.
constexpr std::int64_t kIdleFinishMs = 100;
// While nobody has the pty's slave open (after it was open once) its master reports POLLHUP all
// the time, so it is looked at again only this often.
constexpr int kRecheckMs = 20;
constexpr int kMaxRecordsPerTurn = 256;

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (::write(signalPipe[1], &byte, 1) < 0) {
        // Nothing to do: the pipe already holds a wake-up.
    }
    errno = saved;
}

bool installSignalHandlers() {
    if (::pipe(signalPipe) != 0) {
        return false;
    }
    for (int fd : signalPipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        if (::sigaction(signal, &action, nullptr) != 0) {
            return false;
        }
    }
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
    return true;
}

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void printLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void complain(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
}

class Simulator {
  public:
    Simulator(const Options& options, const panelsim::Scenario& scenario)
        : options_(options), scenario_(scenario), player_(scenario, options.speed, options.loop) {}

    // Returns the exit status.
    int run() {
        std::string error;
        const bool opened = options_.devicePath.empty()
                                ? endpoint_.openPty(error)
                                : endpoint_.openDevice(options_.devicePath, options_.baud, error);
        if (!opened) {
            complain(error);
            return 1;
        }
        if (!options_.linkPath.empty()) {
            if (!endpoint_.makeLink(options_.linkPath, error)) {
                complain(error);
                return 1;
            }
            log("linked %s -> %s", options_.linkPath.c_str(), endpoint_.path().c_str());
        }
        printLine((endpoint_.isPty() ? "pty " : "device ") + endpoint_.path());
        log("%s %s ready; scenario %s with %zu records", endpoint_.isPty() ? "pty" : "device",
            endpoint_.path().c_str(), scenario_.name.c_str(), scenario_.records.size());

        startMs_ = nowMs();
        if (options_.startMode == StartMode::Now) {
            startPlaying(startMs_, "at once");
        }
        while (exitStatus_ < 0) {
            turn();
        }
        endpoint_.close();
        log("exit with status %d", exitStatus_);
        return exitStatus_;
    }

  private:
    void log(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        if (!options_.verbose) {
            return;
        }
        char text[512];
        va_list arguments;
        va_start(arguments, format);
        std::vsnprintf(text, sizeof text, format, arguments);
        va_end(arguments);
        complain(text);
    }

    void startPlaying(std::int64_t now, const char* why) {
        log("playing %s (%s)", scenario_.name.c_str(), why);
        sessionStarted_ = true;
        player_.start(now);
    }

    void turn() {
        std::int64_t now = nowMs();
        if (options_.startMode == StartMode::AfterDelay && !sessionStarted_ &&
            now >= startMs_ + options_.startAfterMs) {
            startPlaying(now, "start delay over");
        }
        dispatch(now);
        if (reader_.pending() > 0 && now - lastInputMs_ >= kIdleFinishMs) {
            std::vector<FrameLine> lines;
            reader_.finish(lines);
            report(lines, now);
        }

        pollfd fds[2] = {{signalPipe[0], POLLIN, 0}, {endpoint_.fd(), POLLIN, 0}};
        if (!outgoing_.empty()) {
            fds[1].events |= POLLOUT;
        }
        int timeout = timeoutMs(now);
        const bool quiet = endpoint_.isPty() && peerAbsent_;
        if (quiet) {
            fds[1].fd = -1;
            timeout = timeout < 0 ? kRecheckMs : std::min(timeout, kRecheckMs);
        }
        if (::poll(fds, 2, timeout) < 0 && errno != EINTR) {
            complain(std::string("poll: ") + std::strerror(errno));
            exitStatus_ = 1;
            return;
        }
        if (fds[0].revents != 0) {
            log("stopped by a signal");
            exitStatus_ = 0;
            return;
        }
        if (quiet) {
            fds[1].fd = endpoint_.fd();
            fds[1].revents = 0;
            ::poll(&fds[1], 1, 0);
        }
        handleEndpoint(fds[1].revents, nowMs());
    }

    int timeoutMs(std::int64_t now) const {
        std::int64_t wake = INT64_MAX;
        if (player_.playing() && outgoing_.empty()) {
            wake = std::min(wake, player_.nextDueMs());
        }
        if (options_.startMode == StartMode::AfterDelay && !sessionStarted_) {
            wake = std::min(wake, startMs_ + options_.startAfterMs);
        }
        if (reader_.pending() > 0) {
            wake = std::min(wake, lastInputMs_ + kIdleFinishMs);
        }
        if (wake == INT64_MAX) {
            return -1;
        }
        return static_cast<int>(std::clamp<std::int64_t>(wake - now, 0, INT_MAX));
    }

    void dispatch(std::int64_t now) {
        for (int budget = kMaxRecordsPerTurn; budget > 0 && outgoing_.empty(); --budget) {
            const panelsim::PlayerStep step = player_.next(now);
            if (step.record == nullptr) {
                break;
            }
            if (step.firstOfRound) {
                printLine("play " + scenario_.name);
            }
            const std::vector<std::uint8_t>& bytes = step.record->bytes;
            outgoing_.insert(outgoing_.end(), bytes.begin(), bytes.end());
            if (options_.verbose && !bytes.empty()) {
                const std::string hex = panelsim::hexBytes(bytes.data(), bytes.size());
                if (step.record->line > 0) {
                    log("send line %d: %s", step.record->line, hex.c_str());
                } else {
                    log("send %s%s%s", hex.c_str(), step.record->note.empty() ? "" : "  # ",
                        step.record->note.c_str());
                }
            }
            endPending_ = endPending_ || step.lastOfRound;
            flushOutgoing();
        }
        if (endPending_ && outgoing_.empty()) {
            endPending_ = false;
            printLine("end " + scenario_.name);
        }
    }

    void flushOutgoing() {
        while (!outgoing_.empty()) {
            const ssize_t written = ::write(endpoint_.fd(), outgoing_.data(), outgoing_.size());
            if (written > 0) {
                outgoing_.erase(outgoing_.begin(), outgoing_.begin() + written);
                continue;
            }
            if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
                return;
            }
            log("write failed (%s); %zu bytes dropped", std::strerror(errno), outgoing_.size());
            outgoing_.clear();
            if (!endpoint_.isPty()) {
                deviceGone("write failed");
            }
            return;
        }
    }

    void handleEndpoint(short revents, std::int64_t now) {
        bool hungUp = (revents & POLLHUP) != 0;
        if ((revents & (POLLIN | POLLHUP)) != 0) {
            hungUp = readInput(now) || hungUp;
        }
        if (!endpoint_.isPty()) {
            if (hungUp || (revents & (POLLERR | POLLNVAL)) != 0) {
                deviceGone("the device went away");
            }
        } else if (hungUp && (!peerAbsent_ || framesThisSession_ > 0)) {
            // The second case: the tool came, sent and went between two looks at the pty.
            peerAbsent_ = true;
            peerClosed(now);
        } else if (!hungUp && peerAbsent_) {
            peerAbsent_ = false;
            log("the tool opened %s", endpoint_.path().c_str());
        }
        if ((revents & POLLOUT) != 0 || (!outgoing_.empty() && peerAbsent_)) {
            flushOutgoing();
        }
    }

    // Reads all that waits. Returns true when the read showed the peer gone.
    bool readInput(std::int64_t now) {
        std::uint8_t buffer[4096];
        for (;;) {
            const ssize_t count = ::read(endpoint_.fd(), buffer, sizeof buffer);
            if (count > 0) {
                log("received %zd bytes", count);
                lastInputMs_ = now;
                std::vector<FrameLine> lines;
                reader_.feed(buffer, static_cast<std::size_t>(count), lines);
                report(lines, now);
                continue;
            }
            if (count < 0 && errno == EINTR) {
                continue;
            }
            // A tty with VMIN = VTIME = 0 reads 0 bytes when nothing waits; a hung-up device
            // also shows POLLHUP, which the caller looks at.
            if (count == 0 || errno == EAGAIN) {
                return false;
            }
            return true;  // EIO: a pty whose slave side nobody holds, or a device gone
        }
    }

    void report(const std::vector<FrameLine>& lines, std::int64_t now) {
        for (const FrameLine& line : lines) {
            printLine(line.text);
            if (line.kind != FrameLineKind::Frame) {
                continue;
            }
            framesThisSession_ += 1;
            if (options_.startMode == StartMode::OnFirstFrame && !sessionStarted_) {
                startPlaying(now, "first frame from the tool");
            }
        }
    }

    void peerClosed(std::int64_t now) {
        std::vector<FrameLine> lines;
        reader_.finish(lines);
        report(lines, now);
        if (framesThisSession_ == 0) {
            log("nobody has %s open (no frame came yet, so no hangup)", endpoint_.path().c_str());
            return;
        }
        log("the tool closed %s", endpoint_.path().c_str());
        printLine("hangup");
        framesThisSession_ = 0;
        if (options_.exitOnHangup) {
            exitStatus_ = 0;
            return;
        }
        if (options_.startMode == StartMode::OnFirstFrame) {
            log("waiting for the tool's next first frame");
            player_.stop();
            outgoing_.clear();
            endPending_ = false;
            sessionStarted_ = false;
        }
    }

    void deviceGone(const char* why) {
        if (exitStatus_ >= 0) {
            return;
        }
        if (options_.exitOnHangup) {
            log("%s: %s", endpoint_.path().c_str(), why);
            exitStatus_ = 0;
        } else {
            complain(endpoint_.path() + ": " + why);
            exitStatus_ = 1;
        }
    }

    const Options& options_;
    const panelsim::Scenario& scenario_;
    panelsim::ScenarioPlayer player_;
    panelsim::FrameReader reader_;
    Endpoint endpoint_;
    std::vector<std::uint8_t> outgoing_;
    std::int64_t startMs_ = 0;
    std::int64_t lastInputMs_ = 0;
    bool sessionStarted_ = false;
    bool endPending_ = false;
    bool peerAbsent_ = false;
    int framesThisSession_ = 0;
    int exitStatus_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!panelsim::parseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        complain(error);
        return 2;
    }
    if (options.help) {
        std::fputs(panelsim::usageText(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("zr8-panel-sim " ZR8_VERSION);
        return 0;
    }
    panelsim::Scenario scenario;
    if (options.scenarioPath.empty()) {
        scenario = panelsim::demoScenario();
    } else if (!panelsim::loadScenarioFile(options.scenarioPath, scenario, error)) {
        complain(error);
        return 2;
    }
    if (options.printScenario) {
        panelsim::writeScenario(std::cout, scenario);
        std::cout.flush();
        return 0;
    }
    if (!installSignalHandlers()) {
        complain(std::string("signal handlers: ") + std::strerror(errno));
        return 1;
    }
    return Simulator(options, scenario).run();
}

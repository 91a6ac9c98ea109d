// Figures of the Linux program as a technician runs it: start-up, nothing lost at full line
// rate, CPU idle and loaded, input-to-screen latency (of isolated changes, as a person feels it,
// and at full line rate), decoder throughput, and (on request) a soak with the resident memory
// sampled. Runs the real layers (Qt window services on the offscreen platform, termios over a
// pty) with a writer thread as the mainboard.
#include <unistd.h>
#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/qt/qt_window_services.h"
#include "app/shell.h"
#include "app/start_state.h"
#include "bench/program/isolated_changes.h"
#include "bench/program/line_writer.h"
#include "bench/program/percentiles.h"
#include "bench/program/poll_intervals.h"
#include "link/device_link.h"
#include "link/posix/ftdi_libftdi.h"
#include "link/posix/serial_port_posix.h"
#include "protocol/module_registry.h"
#include "protocol/stream_decoder.h"
#include "tools/samples/mixed_stream.h"
#include "tools/zr8-decode/decode_report.h"
#include "ui/connection_window_ids.h"
#include "ui/test_window_ids.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kLineRate = 38400.0 / 10.0;  // bytes per second: 8N1 spends 10 bits a byte

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double cpuSeconds(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double threadCpuSeconds() {
    return cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
}

// Every thread of the process: the window's, the ones Qt paints with, and the writer's.
double processCpuSeconds() {
    return cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
}

long residentKiB() {
    long pages = 0;
    long resident = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) {
            resident = 0;
        }
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs the event loop as the program does (blocking until something happens) for a while, or
// until done() holds (looked at every 100 ms: the bench's own wake-ups stay few beside the
// tool's 200 a second, in the thread whose CPU time is measured).
void runEventsFor(double limitSeconds, const std::function<bool()>& done = {}) {
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(static_cast<int>(limitSeconds * 1000));
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done && done()) {
            loop.quit();
        }
    });
    if (done) {
        check.start(100);
    }
    loop.exec();
}

using Stamps = isolated::ValueStamps;

// Counts every byte the link reads. While stamping, notes when each read returned, and for
// each that brought bytes the payload of its last byte (the value of a rudder-trim record that
// came alone).
class CountingSerial : public SerialPortService {
  public:
    std::size_t bytesRead = 0;
    bool stamping = false;
    Stamps reads;
    std::vector<Clock::time_point> polls;
    bool probePort(int n) override { return real.probePort(n); }
    SerialPort openPort(int n) override { return real.openPort(n); }
    bool configurePort(SerialPort p, std::uint32_t b) override { return real.configurePort(p, b); }
    void setReadsNonBlocking(SerialPort p) override { real.setReadsNonBlocking(p); }
    void purgePort(SerialPort p) override { real.purgePort(p); }
    std::uint32_t readPort(SerialPort p, std::uint8_t* buffer, std::uint32_t capacity) override {
        const std::uint32_t count = real.readPort(p, buffer, capacity);
        bytesRead += count;
        if (stamping) {
            polls.push_back(Clock::now());
            if (count > 0) {
                reads.emplace_back(polls.back(), buffer[count - 1] & 0x7F);
            }
        }
        return count;
    }
    void writePort(SerialPort p, const std::uint8_t* b, std::uint32_t n) override {
        real.writePort(p, b, n);
    }
    void closePort(SerialPort p) override { real.closePort(p); }
    PosixSerialPortService real;
};

// Notes when each rudder-trim value reaches its read-out. The redraw that follows a paint of
// the window hands the read-out its text again: only a change counts.
class StampingServices : public QtWindowServices {
  public:
    bool stamping = false;
    Stamps shown;
    void setItemText(WindowHandle window, int controlId, const char* text) override {
        QtWindowServices::setItemText(window, controlId, text);
        if (stamping && controlId == kRudderTrimReadoutId && last_ != text) {
            last_ = text;
            if (text[0] != '-') {
                shown.emplace_back(Clock::now(), std::atoi(text));
            }
        }
    }

  private:
    std::string last_;
};

// Notes when the read-out paints a value it has not painted before: the moment its pixels
// change in the window, which is what the technician sees (with a display, at its next frame).
class PaintStamps : public QObject {
  public:
    bool stamping = false;
    Stamps painted;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* label = qobject_cast<QLabel*>(watched);
        if (stamping && label != nullptr && event->type() == QEvent::Paint &&
            label->text() != last_) {
            last_ = label->text();
            if (last_ != QLatin1String("-")) {
                painted.emplace_back(Clock::now(), last_.toInt());
            }
        }
        return false;
    }

  private:
    QString last_;
};

// Latency of each value shown at full line rate, in ms: from the moment its record's last byte
// went out (the newest record before the stamp that carried the value; the steps count 0..127
// over and over). Values that a later record overtook before they were shown are not counted.
std::vector<double> latencies(const Stamps& shown, const LineWriter& line, std::size_t records) {
    std::vector<double> result;
    std::size_t lastSent = 0;
    for (const auto& [when, value] : shown) {
        while (lastSent < records && line.sentAt(3 * lastSent + 2) <= when &&
               3 * lastSent + 2 < line.sent()) {
            ++lastSent;
        }
        if (lastSent == 0) {
            continue;
        }
        const std::size_t newest = lastSent - 1;
        const std::size_t back = (newest % 128 + 128 - static_cast<std::size_t>(value)) % 128;
        if (back > newest) {
            continue;
        }
        const std::size_t k = newest - back;
        result.push_back(seconds(when - line.sentAt(3 * k + 2)) * 1000.0);
    }
    return result;
}

// The moment each record's last byte (of 3) went out, for the records sent.
std::vector<Clock::time_point> lastBytesSent(const LineWriter& line) {
    std::vector<Clock::time_point> result;
    for (std::size_t end = 3; end <= line.sent(); end += 3) {
        result.push_back(line.sentAt(end - 1));
    }
    return result;
}

struct Figures {
    double startupMs = 0;
    std::size_t sent = 0, read = 0;
    bool stateEqual = false;
    double lostSeconds = 0;
    double idlePercent = 0, loadedPercent = 0, loadedProgramPercent = 0;
    Percentiles handedOver, painted;
    Percentiles isolatedRead, isolatedHandedOver, isolatedPainted;
    PollIntervals isolatedPolls;
    std::size_t isolatedSent = 0, isolatedMissed = 0;
    double decoderMBs = 0;
    long soakStartKiB = 0, soakPeakKiB = 0, soakEndKiB = 0;
    double soakSeconds = 0;
};

std::string liveReport(const QtWindowServices& services) {
    const WindowHandle window = services.windowOfClass("SERIALWINZR8");
    auto* mainboard = qobject_cast<QLabel*>(services.controlWidget(window, kMainboardReadoutId));
    auto* modules = qobject_cast<QListWidget*>(services.controlWidget(window, kModuleListId));
    std::vector<std::string> rows;
    for (int i = 0; modules != nullptr && i < modules->count(); ++i) {
        rows.push_back(modules->item(i)->text().toStdString());
    }
    return decodeReportJson(mainboard != nullptr ? mainboard->text().toStdString() : "", rows);
}

bool openOnCom5(StampingServices& services) {
    if (startTool() == 0) {
        return false;
    }
    const WindowHandle connection = services.windowOfClass("CONNECTIONWINZR8");
    auto* list = qobject_cast<QListWidget*>(services.controlWidget(connection, kConnectionListId));
    if (list == nullptr || list->count() != 1) {
        return false;
    }
    list->setCurrentRow(0);
    qobject_cast<QAbstractButton*>(services.controlWidget(connection, kConnectionOkId))->click();
    return services.windowOfClass("SERIALWINZR8") != nullptr;
}

std::string expectedReport(const std::vector<std::uint8_t>& stream) {
    // What the decoder and the registry hold, with the silent window services standing in.
    resetToStartState();
    installWindowServices(nullptr);
    const WindowHandle window = reinterpret_cast<WindowHandle>(std::uintptr_t{1});
    for (std::uint8_t byte : stream) {
        decodeByte(window, byte);
    }
    std::vector<std::string> modules;
    char line[kModuleListLineSize];
    for (int index = 0; moduleListLine(index, line) != 0; ++index) {
        modules.emplace_back(line);
    }
    const std::string report = decodeReportJson(decoderState().mainboardText, modules);
    resetToStartState();
    return report;
}

double decoderThroughput() {
    const std::vector<std::uint8_t> stream = mixedPanelStream(42, 1 << 20, 5);
    resetToStartState();
    installWindowServices(nullptr);
    const WindowHandle window = reinterpret_cast<WindowHandle>(std::uintptr_t{1});
    const Clock::time_point begin = Clock::now();
    std::size_t total = 0;
    while (seconds(Clock::now() - begin) < 2.0) {
        for (std::uint8_t byte : stream) {
            decodeByte(window, byte);
        }
        total += stream.size();
    }
    const double rate = static_cast<double>(total) / seconds(Clock::now() - begin) / 1e6;
    resetToStartState();
    return rate;
}

}  // namespace

int main(int argc, char** argv) {
    double lostSeconds = 60, cpuSeconds = 30, latencySeconds = 6, soakSeconds = 0;
    int soakNoise = 0;
    // 500 changes 30..70 ms apart: about 25 s.
    std::size_t isolatedChanges = 500;
    bool onlySoak = false;
    bool onlyLatency = false;
    bool onlyLoad = false;
    bool failOnGrowth = false;
    bool printSamples = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&] { return i + 1 < argc ? std::atof(argv[++i]) : 0.0; };
        if (arg == "--lost-seconds")
            lostSeconds = value();
        else if (arg == "--cpu-seconds")
            cpuSeconds = value();
        else if (arg == "--latency-seconds")
            latencySeconds = value();
        else if (arg == "--isolated-changes")
            isolatedChanges = static_cast<std::size_t>(value());
        else if (arg == "--only-latency")
            onlyLatency = true;
        else if (arg == "--soak")
            soakSeconds = value();
        else if (arg == "--soak-noise")
            soakNoise = static_cast<int>(value());
        else if (arg == "--only-soak")
            onlySoak = true;
        else if (arg == "--only-load")
            onlyLoad = true;
        else if (arg == "--fail-on-growth")
            failOnGrowth = true;
        else if (arg == "--print-samples")
            printSamples = true;
        else {
            std::fprintf(stderr,
                         "usage: zr8-program-bench [--lost-seconds S] [--cpu-seconds S] "
                         "[--latency-seconds S] [--isolated-changes N] [--only-load] "
                         "[--only-latency] [--soak S [--only-soak] [--fail-on-growth] "
                         "[--print-samples] [--soak-noise PERCENT]]\n"
                         "  --isolated-changes N  isolated rudder-trim changes, 30..70 ms "
                         "apart, for the latency a person feels (default 500, about 25 s)\n"
                         "  --only-load  only the full-rate run (nothing lost, CPU loaded), "
                         "e.g. under a profiler\n"
                         "  --only-latency  only the two latency runs\n");
            return 2;
        }
    }
    const bool runStartup = !onlySoak && !onlyLoad && !onlyLatency;
    const bool runLoad = !onlySoak && !onlyLatency;
    const bool runLatency = !onlySoak && !onlyLoad;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Figures figures;

    LineWriter line;
    if (!line.ok()) {
        std::fprintf(stderr, "zr8-program-bench: no pty\n");
        return 1;
    }
    LibftdiService ftdi;
    installFtdiService(&ftdi);
    CountingSerial serial;
    installSerialPortService(&serial);

    if (runStartup) {
        // Start-up with eight absent ports and no adapter.
        for (int n = 1; n <= 8; ++n) {
            qputenv(QByteArray("ZR8_COM") + QByteArray::number(n), "/nonexistent/zr8-port");
        }
        resetToStartState();
        {
            QtWindowServices services;
            installWindowServices(&services);
            const Clock::time_point begin = Clock::now();
            startTool();
            figures.startupMs = seconds(Clock::now() - begin) * 1000.0;
            // Put the window away as a switch would, without asking the application to quit:
            // a quit request would end every event loop this program runs afterwards.
            shellState().switchingGuard = 1;
            finishTool();
            shellState().switchingGuard = 0;
            installWindowServices(nullptr);
        }
        figures.decoderMBs = decoderThroughput();
    }

    for (int n = 1; n <= 8; ++n) {
        qputenv(QByteArray("ZR8_COM") + QByteArray::number(n), "");
    }
    qputenv("ZR8_COM5", QByteArray::fromStdString(line.path()));

    StampingServices services;
    const std::vector<std::uint8_t> stream = mixedPanelStream(
        7, static_cast<std::size_t>(kLineRate * (runLoad ? lostSeconds : 60.0)), 0);
    const std::string expected = runLoad ? expectedReport(stream) : std::string();
    resetToStartState();
    installWindowServices(&services);
    if (!openOnCom5(services)) {
        std::fprintf(stderr, "zr8-program-bench: could not open the test window on the pty\n");
        return 1;
    }
    runEventsFor(0.2);

    if (runLoad) {
        // Nothing lost at full line rate, and the CPU that costs the window's thread.
        serial.bytesRead = 0;
        const double cpuBefore = threadCpuSeconds();
        const double programBefore = processCpuSeconds();
        const Clock::time_point begin = Clock::now();
        line.start(stream, kLineRate);
        runEventsFor(lostSeconds + 5, [&] { return line.finished(); });
        const double busy = threadCpuSeconds() - cpuBefore;
        const double programBusy = processCpuSeconds() - programBefore - line.cpuSeconds();
        const double wall = seconds(Clock::now() - begin);
        runEventsFor(2.0, [&] { return serial.bytesRead >= line.sent(); });
        figures.loadedPercent = 100.0 * busy / wall;
        figures.loadedProgramPercent = 100.0 * programBusy / wall;
        figures.sent = line.sent();
        figures.read = serial.bytesRead;
        figures.lostSeconds = wall;
        figures.stateEqual = liveReport(services) == expected;
    }

    if (runStartup) {
        // Idle: the window open, the panel quiet.
        const double idleBefore = threadCpuSeconds();
        const Clock::time_point idleBegin = Clock::now();
        runEventsFor(cpuSeconds);
        figures.idlePercent =
            100.0 * (threadCpuSeconds() - idleBefore) / seconds(Clock::now() - idleBegin);
    }

    if (runLatency) {
        // Latency at full line rate: rudder-trim steps back to back; each value that reaches its
        // read-out is matched with the moment its record's last byte went out. Only the newest
        // record of each poll is shown, so this leaves out the wait for the poll.
        std::vector<std::uint8_t> steps;
        const auto records = static_cast<std::size_t>(kLineRate * latencySeconds / 3);
        for (std::size_t k = 0; k < records; ++k) {
            steps.insert(steps.end(), {24, 0x80 | 46, static_cast<std::uint8_t>(0x80 | (k % 128))});
        }
        PaintStamps paints;
        QWidget* readout =
            services.controlWidget(services.windowOfClass("SERIALWINZR8"), kRudderTrimReadoutId);
        readout->installEventFilter(&paints);
        services.shown.clear();
        services.stamping = true;
        paints.stamping = true;
        line.start(steps, kLineRate);
        runEventsFor(latencySeconds + 5, [&] { return line.finished(); });
        runEventsFor(0.1);
        services.stamping = false;
        paints.stamping = false;
        readout->removeEventFilter(&paints);
        figures.handedOver = percentiles(latencies(services.shown, line, records));
        figures.painted = percentiles(latencies(paints.painted, line, records));
    }

    if (runLatency && isolatedChanges > 0) {
        // Latency a person feels: one rudder-trim record at a time, 30..70 ms apart at any phase
        // of the 5 ms poll, each matched with the first new value the read-out shows after the
        // record's last byte went out. It waits for the poll, as a turn of the trim wheel does.
        using std::chrono::milliseconds;
        QWidget* readout =
            services.controlWidget(services.windowOfClass("SERIALWINZR8"), kRudderTrimReadoutId);
        const QString shownText = qobject_cast<QLabel*>(readout)->text();
        const isolated::Records changes = isolated::trimRecords(
            isolated::dueTimes(isolatedChanges, 20261210, milliseconds(30), milliseconds(70)),
            shownText == QLatin1String("-") ? -1 : shownText.toInt());
        PaintStamps paints;
        readout->installEventFilter(&paints);
        services.shown.clear();
        serial.reads.clear();
        serial.reads.reserve(2 * isolatedChanges);
        serial.polls.clear();
        serial.polls.reserve(30 * isolatedChanges);
        serial.stamping = true;
        services.stamping = true;
        paints.stamping = true;
        line.startBursts(changes.bytes, changes.bursts);
        runEventsFor(seconds(changes.bursts.back().due) + 5, [&] { return line.finished(); });
        runEventsFor(0.1);
        serial.stamping = false;
        services.stamping = false;
        paints.stamping = false;
        readout->removeEventFilter(&paints);
        const std::vector<Clock::time_point> sent = lastBytesSent(line);
        const isolated::Matched painted = isolated::match(paints.painted, sent, changes.values);
        const isolated::Matched handed = isolated::match(services.shown, sent, changes.values);
        figures.isolatedPolls = pollIntervals(serial.polls);
        figures.isolatedRead =
            percentiles(isolated::match(serial.reads, sent, changes.values).latenciesMs);
        figures.isolatedPainted = percentiles(painted.latenciesMs);
        figures.isolatedHandedOver = percentiles(handed.latenciesMs);
        figures.isolatedSent = sent.size();
        figures.isolatedMissed = painted.missed;
    }

    if (soakSeconds > 0) {
        // A 20-second mixed stream (with --soak-noise, that share of its records replaced by random
        // bytes) again and again at full rate, resident memory sampled every
        // 2 s. The first two rounds are the warm-up: by then every text and picture the stream
        // brings has been drawn once.
        const std::vector<std::uint8_t> round =
            mixedPanelStream(11, static_cast<std::size_t>(kLineRate * 20), soakNoise);
        const Clock::time_point begin = Clock::now();
        const double warmUp = std::min(40.0, soakSeconds / 2);
        bool warm = false;
        Clock::time_point nextSample = begin;
        while (seconds(Clock::now() - begin) < soakSeconds) {
            if (line.finished() || line.sent() == 0) {
                line.start(round, kLineRate);
            }
            runEventsFor(0.2);
            if (Clock::now() >= nextSample) {
                nextSample += std::chrono::seconds(2);
                const long resident = residentKiB();
                if (printSamples) {
                    std::printf("soak %6.0f s  %ld KiB\n", seconds(Clock::now() - begin), resident);
                    std::fflush(stdout);
                }
                if (!warm && seconds(Clock::now() - begin) >= warmUp) {
                    warm = true;
                    figures.soakStartKiB = resident;
                    figures.soakPeakKiB = resident;
                }
                if (warm) {
                    figures.soakPeakKiB = std::max(figures.soakPeakKiB, resident);
                    figures.soakEndKiB = resident;
                }
            }
        }
        line.stop();
        figures.soakSeconds = seconds(Clock::now() - begin);
    }

    line.stop();
    finishTool();
    installWindowServices(nullptr);
    installSerialPortService(nullptr);
    installFtdiService(nullptr);

    std::printf("ZR8 test tool, Linux program (Qt offscreen, termios over a pty)\n");
    std::printf("%-46s %s\n", "figure", "value");
    if (runStartup) {
        std::printf("%-46s %.1f ms\n", "start-up to connection window (8 absent ports)",
                    figures.startupMs);
    }
    if (runLoad) {
        std::printf("%-46s %zu sent, %zu read, %zu decoded in %.1f s; state %s\n",
                    "nothing lost at 38400 baud", figures.sent, figures.read, figures.read,
                    figures.lostSeconds, figures.stateEqual ? "equal to zr8-decode" : "DIFFERS");
    }
    if (runStartup) {
        std::printf("%-46s %.2f %% of one core\n", "CPU, test window idle", figures.idlePercent);
    }
    if (runLoad) {
        std::printf("%-46s %.2f %% of one core (all its threads %.2f %%)\n",
                    "CPU, full line rate, window thread", figures.loadedPercent,
                    figures.loadedProgramPercent);
    }
    auto printLatency = [](const char* name, const Percentiles& figure) {
        std::printf("  %-44s p50 %.2f ms, p99 %.2f ms, max %.2f ms (%zu changes)\n", name,
                    figure.p50, figure.p99, figure.max, figure.samples);
    };
    if (runLatency && isolatedChanges > 0) {
        std::printf(
            "input-to-screen latency, isolated changes 30..70 ms apart (%zu sent, %zu "
            "not shown)\n",
            figures.isolatedSent, figures.isolatedMissed);
        printLatency("to the value's paint", figures.isolatedPainted);
        printLatency("to the value handed to its read-out", figures.isolatedHandedOver);
        printLatency("to the read of its bytes (wait for the poll)", figures.isolatedRead);
        const PollIntervals& polls = figures.isolatedPolls;
        std::printf(
            "  %-44s every %.2f ms (p99 %.2f ms, max %.2f ms); a random moment waits "
            "%.2f ms for the next on average\n",
            "polls meanwhile", polls.meanMs, polls.p99Ms, polls.maxMs, polls.meanWaitMs);
    }
    if (runLatency) {
        std::printf("latency at full line rate, newest record of each poll\n");
        printLatency("to the value's paint", figures.painted);
        printLatency("to the value handed to its read-out", figures.handedOver);
    }
    if (runStartup) {
        std::printf("%-46s %.1f MB/s\n", "decoder throughput (mixed stream)", figures.decoderMBs);
    }
    if (soakSeconds > 0) {
        std::printf("%-46s %.0f s: after warm-up %ld KiB, peak %ld KiB, end %ld KiB\n",
                    "soak at full line rate, resident memory", figures.soakSeconds,
                    figures.soakStartKiB, figures.soakPeakKiB, figures.soakEndKiB);
    }
    int status = 0;
    if (runLoad && (!figures.stateEqual || figures.read != figures.sent)) {
        status = 1;
    }
    // A leak of even a few bytes a poll cycle shows as hundreds of KiB a minute; the heap and
    // Qt's caches settle in page-sized steps that stay far below this.
    constexpr long kGrowthToleranceKiB = 64;
    if (failOnGrowth && soakSeconds > 0 &&
        figures.soakPeakKiB - figures.soakStartKiB > kGrowthToleranceKiB) {
        std::printf("resident memory grew by %ld KiB after warm-up\n",
                    figures.soakPeakKiB - figures.soakStartKiB);
        status = 1;
    }
    return status;
}

// The Linux program end to end: Qt window services on the offscreen platform, termios serial over
// a real pty, and the panel simulator as the mainboard on the other side.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <unistd.h>
#include <QAbstractButton>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>
#include <csignal>

#include "app/qt/qt_window_services.h"
#include "app/shell.h"
#include "link/posix/serial_port_posix.h"
#include "tests/qt/qt_wait.h"
#include "tests/support/tool_fixture.h"
#include "ui/connection_window_ids.h"
#include "ui/test_window_ids.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t d(int payload) {
    return static_cast<std::uint8_t>(0x80 | payload);
}

const QString kTrimOffStep1 = "78 09 18 00 18 59 00 00 00 00 8E";
const QString kGearAllOff = "78 09 63 00 2F 20 00 00 00 00 FC";
const QString kHobbsOff = "78 09 61 00 37 02 00 00 00 00 2D";
const QString kHobbsOn = "78 09 61 00 37 02 00 00 00 01 23";

// What the mainboard sends once the tool is listening.
Bytes panelSession() {
    return {112,   d(24), d(3),  112,  d(99), d(2), 120,  d(17),   d(65), d(5), d(3),
            d(0),  18,    d(0),  d(1), d(0),  19,   d(0), d(0x18), d(0),  24,   d(46),
            d(25), 24,    d(45), d(1), 98,    d(3), d(0), d(0x7F), 99,    d(4), d(0x10)};
}

class EndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        resetToolState();
        ASSERT_TRUE(folder.isValid());
        for (int n = 1; n <= 8; ++n) {
            qputenv(QStringLiteral("ZR8_COM%1").arg(n).toLatin1(), "");  // hide the machine's ports
        }
        port = folder.path() + QStringLiteral("/com5");
        qputenv("ZR8_COM5", port.toLocal8Bit());
        installWindowServices(&services);
        installSerialPortService(&serial);
    }

    void TearDown() override {
        finishTool();
        QCoreApplication::processEvents();
        installSerialPortService(nullptr);
        installWindowServices(nullptr);
        if (simulator.state() != QProcess::NotRunning) {
            simulator.kill();
            simulator.waitForFinished(2000);
        }
        resetToolState();
    }

    void startSimulator(const Bytes& session, const QStringList& extra = {}) {
        QString scenario;
        for (std::uint8_t byte : session) {
            scenario += QStringLiteral("%1 %2\n").arg(5).arg(byte, 2, 16, QLatin1Char('0'));
        }
        QFile file(folder.path() + QStringLiteral("/session.scenario"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(scenario.toLatin1());
        file.close();
        simulator.setProcessChannelMode(QProcess::SeparateChannels);
        simulator.start(QStringLiteral(ZR8_PANEL_SIM),
                        QStringList{"--link", port, "--scenario", file.fileName()} + extra);
        ASSERT_TRUE(simulator.waitForStarted(5000));
        ASSERT_TRUE(waitUntil([this] { return QFile::exists(port); }, 5000))
            << "the simulator made no link";
    }

    // The frames the simulator printed so far, as their hex bytes.
    QStringList frames() {
        simulatorOutput += simulator.readAllStandardOutput();
        QStringList found;
        for (const QString& line : QString::fromLatin1(simulatorOutput).split('\n')) {
            if (line.startsWith(QLatin1String("frame "))) {
                found << line.mid(6, 32);
            } else if (line.startsWith(QLatin1String("bad-frame")) ||
                       line.startsWith(QLatin1String("stray"))) {
                ADD_FAILURE() << "simulator: " << line.toStdString();
            }
        }
        return found;
    }
    bool waitForFrames(int count) {
        return waitUntil([&] { return frames().size() >= count; }, 5000);
    }

    WindowHandle window(const char* className) const { return services.windowOfClass(className); }
    template <typename Widget>
    Widget* control(const char* className, int id) const {
        return qobject_cast<Widget*>(services.controlWidget(window(className), id));
    }
    QString text(int id) const {
        auto* label = control<QLabel>("SERIALWINZR8", id);
        return label != nullptr ? label->text() : QString();
    }
    void click(int id) {
        auto* button = control<QAbstractButton>("SERIALWINZR8", id);
        ASSERT_NE(button, nullptr) << id;
        button->click();
    }

    // Start-up, the scan, then the simulator's row and OK, as the technician does.
    void openTestWindowOnCom5() {
        ASSERT_EQ(startTool(), 1);
        auto* list = control<QListWidget>("CONNECTIONWINZR8", kConnectionListId);
        ASSERT_NE(list, nullptr);
        const auto rows = list->findItems(QStringLiteral("COMM - COM5"), Qt::MatchExactly);
        ASSERT_EQ(rows.size(), 1);
        list->setCurrentItem(rows.first());
        control<QAbstractButton>("CONNECTIONWINZR8", kConnectionOkId)->click();
        ASSERT_NE(window("SERIALWINZR8"), nullptr);
        ASSERT_EQ(window("CONNECTIONWINZR8"), nullptr);
    }

    QTemporaryDir folder;
    QString port;
    QtWindowServices services;
    PosixSerialPortService serial;
    QProcess simulator;
    QByteArray simulatorOutput;
};

TEST_F(EndToEndTest, ScanListsTheMappedPortAndNotABusyOne) {
    startSimulator({});
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    ASSERT_EQ(flock(slave, LOCK_EX | LOCK_NB), 0);  // another program holds this one
    qputenv("ZR8_COM6", ttyname(slave));
    qputenv("ZR8_COM7", (folder.path() + QStringLiteral("/no-such-device")).toLocal8Bit());

    ASSERT_EQ(startTool(), 1);
    auto* list = control<QListWidget>("CONNECTIONWINZR8", kConnectionListId);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "COMM - COM5");
    close(slave);
    close(master);
}

TEST_F(EndToEndTest, OpeningSendsTheThreeFramesAndTheSessionAppears) {
    startSimulator(panelSession());
    openTestWindowOnCom5();
    ASSERT_TRUE(waitForFrames(3));
    EXPECT_EQ(frames(), (QStringList{kTrimOffStep1, kGearAllOff, kHobbsOff}));
    EXPECT_EQ(services.widget(window("SERIALWINZR8"))->windowTitle(),
              "ORVAN ZR8 Test Tool - COMM - COM5");

    ASSERT_TRUE(waitUntil([this] { return text(2201) == "25" && text(2500) != "-"; }, 5000))
        << "the session did not reach the window";
    EXPECT_TRUE(waitUntil([this] { return text(kMainboardReadoutId) == "17A-3-5"; }, 2000));
    auto* modules = control<QListWidget>("SERIALWINZR8", kModuleListId);
    ASSERT_EQ(modules->count(), 2);
    EXPECT_EQ(modules->item(0)->text(), "v3  -  ORVAN ZR8 Trim Modul");
    EXPECT_EQ(modules->item(1)->text(), "v2  -  ORVAN ZR8 LDG Gear Modul");
    EXPECT_EQ(text(kTrimCounterReadoutId), "1");
    EXPECT_EQ(text(2500), "63.3");  // 127 of 255 on a bar of 127
    EXPECT_EQ(control<QProgressBar>("SERIALWINZR8", 2506)->value(), 63);
    // Pictures by size: a lit switch, the selector, the dial, the trim pointer, the lamp.
    const std::pair<int, QSize> pictures[] = {{2000, QSize(22, 43)},
                                              {2026, QSize(48, 48)},
                                              {2200, QSize(34, 34)},
                                              {2202, QSize(18, 43)},
                                              {2300, QSize(20, 20)}};
    for (const auto& [id, size] : pictures) {
        EXPECT_EQ(control<QLabel>("SERIALWINZR8", id)->pixmap().size(), size) << id;
    }
}

TEST_F(EndToEndTest, ControlsSendTheirFramesAndTheHobbsTimerRepeats) {
    startSimulator({});
    openTestWindowOnCom5();
    ASSERT_TRUE(waitForFrames(3));
    click(2306);  // "RED" under "NOSE GEAR LIGHT"
    click(kStepUpButtonId);
    click(kIndicatorOnBoxId);
    click(kHobbsOnId);
    ASSERT_TRUE(waitForFrames(7));
    const QStringList sent = frames();
    EXPECT_EQ(sent[3], "78 09 63 00 2F 20 03 00 00 00 2C");
    EXPECT_EQ(sent[4], "78 09 18 00 18 59 00 0D 00 00 16");
    EXPECT_EQ(sent[5], "78 09 18 00 18 59 01 0D 00 00 26");
    EXPECT_EQ(sent[6], kHobbsOn);
    EXPECT_EQ(text(kStepReadoutId), "2");
    EXPECT_TRUE(control<QAbstractButton>("SERIALWINZR8", kIndicatorOnBoxId)->isChecked());

    // Timer 2 repeats the hobbs frame every 5000 ms while the meter is on.
    ASSERT_TRUE(waitUntil([this] { return frames().size() >= 8; }, 7000));
    EXPECT_EQ(frames()[7], kHobbsOn);
}

TEST_F(EndToEndTest, ClearSendsTheThreeFramesAndEmptiesTheModuleList) {
    startSimulator(panelSession());
    openTestWindowOnCom5();
    auto* modules = control<QListWidget>("SERIALWINZR8", kModuleListId);
    ASSERT_TRUE(waitUntil([&] { return modules->count() == 2 && text(2201) == "25"; }, 5000));
    click(kHobbsOnId);
    ASSERT_TRUE(waitForFrames(4));
    click(kClearButtonId);
    ASSERT_TRUE(waitForFrames(7));
    EXPECT_EQ(frames().mid(4), (QStringList{kTrimOffStep1, kGearAllOff, kHobbsOff}));
    EXPECT_EQ(modules->count(), 0);
    EXPECT_EQ(text(2201), "-");
    EXPECT_EQ(text(kMainboardReadoutId), "17A-3-5") << "Clear leaves the mainboard read-out";
}

TEST_F(EndToEndTest, QuitSendsEveryOutputOffThenClosesThePort) {
    startSimulator({}, {"--exit-on-hangup"});
    openTestWindowOnCom5();
    ASSERT_TRUE(waitForFrames(3));
    click(2307);
    click(kHobbsOnId);
    ASSERT_TRUE(waitForFrames(5));
    click(kQuitButtonId);
    EXPECT_TRUE(services.quitRequested());
    finishTool();  // what follows the end of the loop
    ASSERT_TRUE(waitForFrames(8)) << frames().join("\n").toStdString()
                                  << simulatorOutput.toStdString();
    EXPECT_EQ(frames().mid(5), (QStringList{kTrimOffStep1, kGearAllOff, kHobbsOff}));
    // The simulator leaves when the tool lets go of the port, after those frames.
    // The event loop of the waits above may already have seen it go.
    EXPECT_TRUE(simulator.state() == QProcess::NotRunning || simulator.waitForFinished(5000))
        << simulatorOutput.toStdString() << simulator.readAllStandardError().toStdString();
    EXPECT_EQ(simulator.exitCode(), 0);
    EXPECT_EQ(frames().size(), 8);
}

TEST_F(EndToEndTest, SimulatorVanishingLeavesAResponsiveWindow) {
    startSimulator(panelSession());
    openTestWindowOnCom5();
    ASSERT_TRUE(waitUntil([this] { return text(2201) == "25"; }, 5000));
    simulator.kill();
    ASSERT_TRUE(simulator.waitForFinished(2000));
    runEventsFor(300);  // a few hundred polls of a port whose other side is gone
    EXPECT_EQ(text(2201), "25") << "what was shown stays";
    EXPECT_EQ(text(kMainboardReadoutId), "17A-3-5");
    click(kStepUpButtonId);
    EXPECT_EQ(text(kStepReadoutId), "2") << "the window still answers";
    runEventsFor(100);
    EXPECT_NE(window("SERIALWINZR8"), nullptr);

    // The panel comes back on a new pty under the same name: the window holds the old one and
    // carries on without a crash (it opens its port once, when it is created).
    QFile::remove(port);
    simulatorOutput.clear();
    startSimulator(panelSession(), {"--start-now"});
    runEventsFor(300);
    click(kStepUpButtonId);
    EXPECT_EQ(text(kStepReadoutId), "3");
    EXPECT_EQ(text(2201), "25");
}

TEST_F(EndToEndTest, FloodOfLineNoiseLeavesTheWindowResponsiveAndShowsNoGarbage) {
    // 30000 random bytes at once, then one clean record: the window keeps answering, takes the
    // flood 100 bytes a poll, and what it finally shows is what the clean record says.
    Bytes session(30000);
    std::uint32_t seed = 12345;
    for (std::uint8_t& byte : session) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    // A command byte ends whatever record the noise left open.
    const Bytes clean = {24, d(46), d(99), 120, d(1), d(0), d(2), d(3), d(0)};
    session.insert(session.end(), clean.begin(), clean.end());

    QString scenario = QStringLiteral("0");
    for (std::uint8_t byte : session) {
        scenario += QStringLiteral(" %1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    QFile file(folder.path() + QStringLiteral("/flood.scenario"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(scenario.toLatin1() + "\n");
    file.close();
    simulator.start(QStringLiteral(ZR8_PANEL_SIM),
                    QStringList{"--link", port, "--scenario", file.fileName()});
    ASSERT_TRUE(simulator.waitForStarted(5000));
    ASSERT_TRUE(waitUntil([this] { return QFile::exists(port); }, 5000));

    openTestWindowOnCom5();
    click(kStepUpButtonId);
    EXPECT_EQ(text(kStepReadoutId), "2") << "the window answers while the flood comes in";
    ASSERT_TRUE(waitUntil([this] { return text(kMainboardReadoutId) == "1-3-2"; }, 20000))
        << "the clean record after the flood was not shown";
    EXPECT_EQ(text(2201), "99");
    for (int id : {2201, 2203, 2500, 2501, 2502, 2503, 2504, 2505}) {
        const QString shown = text(id);
        bool number = false;
        shown.toDouble(&number);
        EXPECT_TRUE(shown == "-" || number) << id << ": " << shown.toStdString();
    }
}

TEST_F(EndToEndTest, StalledLineNeverFreezesTheWindow) {
    // A panel that has stopped reading: the pty fills up and stays full. Every click still
    // returns within a few milliseconds.
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const QByteArray slavePath = ttyname(slave);
    close(slave);
    qputenv("ZR8_COM5", slavePath);
    ASSERT_EQ(startTool(), 1);
    auto* list = control<QListWidget>("CONNECTIONWINZR8", kConnectionListId);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->count(), 1);
    list->setCurrentRow(0);
    control<QAbstractButton>("CONNECTIONWINZR8", kConnectionOkId)->click();
    ASSERT_NE(window("SERIALWINZR8"), nullptr);

    qint64 slowest = 0;
    for (int i = 0; i < 2000; ++i) {
        QElapsedTimer clock;
        clock.start();
        click(i % 2 == 0 ? kStepUpButtonId : kStepDownButtonId);
        slowest = std::max(slowest, clock.elapsed());
    }
    EXPECT_LT(slowest, 100) << "a click took " << slowest << " ms on a stalled line";
    EXPECT_EQ(text(kStepReadoutId), "1");
    runEventsFor(50);
    EXPECT_NE(window("SERIALWINZR8"), nullptr);
    close(master);
}

// A copy of the program of its own, with the user's runtime folder given (the instance guard's
// lock and socket lie there) and no serial port.
class ToolProcess {
  public:
    explicit ToolProcess(const QString& runtimeFolder) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_RUNTIME_DIR", runtimeFolder);
        for (int n = 1; n <= 8; ++n) {
            environment.insert(QStringLiteral("ZR8_COM%1").arg(n), QString());
        }
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(ZR8_TEST_TOOL), {});
        socket = runtimeFolder + QStringLiteral("/zr8-test-tool-%1.socket").arg(::getuid());
    }
    ~ToolProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    // Up once it answers on its instance socket.
    bool answers() {
        return waitUntil(
            [this] {
                QLocalSocket probe;
                probe.connectToServer(socket);
                return probe.waitForConnected(50);
            },
            10000);
    }
    bool saw(const char* text) {
        errors += process.readAllStandardError();
        return errors.contains(text);
    }

    QProcess process;
    QString socket;
    QByteArray errors;
};

QString privateFolder(QTemporaryDir& folder) {
    // The runtime folder is the user's alone, or Qt does not take it.
    QFile::setPermissions(folder.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return folder.path();
}

TEST(SecondStart, ExitsAtOnceAndBringsTheFirstForward) {
    QTemporaryDir runtime;
    ToolProcess first(privateFolder(runtime));
    ASSERT_TRUE(first.process.waitForStarted(5000));
    ASSERT_TRUE(first.answers());

    ToolProcess second(runtime.path());
    ASSERT_TRUE(second.process.waitForFinished(10000)) << "the second start must end by itself";
    EXPECT_EQ(second.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process.exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return first.saw("brought forward by another start"); }, 5000));

    ::kill(static_cast<pid_t>(first.process.processId()), SIGTERM);
    ASSERT_TRUE(first.process.waitForFinished(5000)) << "a stop request ends the first copy";
    EXPECT_EQ(first.process.exitCode(), 0);
}

// Two starts a tenth of a second apart: one copy runs, the other ends with 0 having brought it
// forward.
TEST(SecondStart, TwoStartsCloseTogetherLeaveOneCopy) {
    QTemporaryDir runtime;
    ToolProcess first(privateFolder(runtime));
    ::usleep(100 * 1000);
    ToolProcess second(runtime.path());
    ToolProcess* ended = nullptr;
    ASSERT_TRUE(waitUntil(
        [&] {
            ended = first.process.state() == QProcess::NotRunning    ? &first
                    : second.process.state() == QProcess::NotRunning ? &second
                                                                     : nullptr;
            return ended != nullptr;
        },
        10000))
        << "one of the two starts ends by itself";
    EXPECT_EQ(ended->process.exitCode(), 0);
    ToolProcess& running = ended == &first ? second : first;
    runEventsFor(1000);
    EXPECT_EQ(running.process.state(), QProcess::Running) << "the other copy stays";
    EXPECT_TRUE(waitUntil([&] { return running.saw("brought forward by another start"); }, 5000));
}

// Two logins of one user each have their copy; neither takes the other's socket, so a later
// start in the first login reaches the first copy.
TEST(SecondStart, ACopyInAnotherRuntimeFolderLeavesTheFirstReachable) {
    QTemporaryDir firstLogin;
    QTemporaryDir secondLogin;
    ToolProcess first(privateFolder(firstLogin));
    ASSERT_TRUE(first.answers());
    ToolProcess beside(privateFolder(secondLogin));
    ASSERT_TRUE(beside.answers()) << "another login runs its own copy";

    ToolProcess again(firstLogin.path());
    ASSERT_TRUE(again.process.waitForFinished(10000));
    EXPECT_EQ(again.process.exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return first.saw("brought forward by another start"); }, 5000))
        << "the start reached the copy of its own login";
    EXPECT_FALSE(beside.saw("brought forward")) << "and not the other one";
}

// A lock held by a process that does not answer (here the test itself): the start says so on
// standard error, naming that process, and ends with 0 within its bounded wait.
TEST(SecondStart, ACopyThatDoesNotAnswerIsNamedNotIgnored) {
    QTemporaryDir runtime;
    QLockFile held(privateFolder(runtime) +
                   QStringLiteral("/zr8-test-tool-%1.lock").arg(::getuid()));
    ASSERT_TRUE(held.tryLock(0));

    ToolProcess start(runtime.path());
    ASSERT_TRUE(start.process.waitForFinished(10000)) << "the wait is bounded";
    EXPECT_EQ(start.process.exitCode(), 0);
    start.saw("");
    EXPECT_TRUE(start.errors.contains(QStringLiteral("another copy (process %1)")
                                          .arg(QCoreApplication::applicationPid())
                                          .toLatin1()))
        << start.errors.constData();
}

}  // namespace

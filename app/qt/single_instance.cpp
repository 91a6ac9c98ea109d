// Qt: the single-instance guard over a lock file and a local socket.
#include "app/qt/single_instance.h"

#include <unistd.h>
#include <QDir>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QStandardPaths>
#include <cstdio>

namespace {

// The user's runtime folder (one per login), or the temporary folder where there is none. The
// lock and the socket lie side by side there, so that whoever finds the one finds the other.
QString instanceFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return folder;
}

}  // namespace

SingleInstance::SingleInstance(std::function<void()> onRaise) : onRaise_(std::move(onRaise)) {
    const QString base =
        instanceFolder() +
        QStringLiteral("/zr8-test-tool-%1").arg(static_cast<qulonglong>(::getuid()));
    lockPath_ = base + QStringLiteral(".lock");
    socketPath_ = base + QStringLiteral(".socket");
}

SingleInstance::~SingleInstance() {
    if (server_ != nullptr) {
        server_->close();
    }
}

void SingleInstance::claim() {
    if (claimed_) {
        return;
    }
    claimed_ = true;
    lock_ = std::make_unique<QLockFile>(lockPath_);
    lock_->setStaleLockTime(0);  // a lock whose holder died is taken over at once
    if (!lock_->tryLock(0)) {
        first_ = false;
        return;
    }
    first_ = true;
    QLocalServer::removeServer(socketPath_);  // left behind by a copy that crashed
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    QObject::connect(server_.get(), &QLocalServer::newConnection, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                if (socket->readAll().contains("raise")) {
                    std::fprintf(stderr, "zr8-test-tool: brought forward by another start\n");
                    onRaise_();
                }
            });
        }
    });
    server_->listen(socketPath_);
}

bool SingleInstance::otherCopyRuns() {
    claim();
    return !first_;
}

void SingleInstance::askToRaise() {
    // The first copy may still be starting its server: try for a moment.
    for (int attempt = 0; attempt < 10; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(socketPath_);
        if (socket.waitForConnected(100)) {
            socket.write("raise\n");
            socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return;
        }
        ::usleep(50 * 1000);
    }
    if (toldUnreachable_) {
        return;
    }
    toldUnreachable_ = true;
    // A copy holds the lock but does not answer (it hangs, or it is not this tool): say so
    // rather than end without a word.
    qint64 holder = 0;
    QString host;
    QString application;
    if (lock_ == nullptr || !lock_->getLockInfo(&holder, &host, &application)) {
        holder = 0;
    }
    const QString process =
        holder > 0 ? QStringLiteral("process %1").arg(holder) : QStringLiteral("unknown process");
    std::fprintf(stderr,
                 "zr8-test-tool: another copy (%s) holds %s but does not answer; end it "
                 "and start again\n",
                 qPrintable(process), qPrintable(lockPath_));
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
        return;  // nobody could close a box that nobody sees
    }
    QMessageBox::warning(nullptr, QStringLiteral("ORVAN ZR8 Test Tool"),
                         QStringLiteral("Another copy of the tool (%1) is running but does not "
                                        "answer.\n\nEnd that copy, then start the tool again.")
                             .arg(process));
}

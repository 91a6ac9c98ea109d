// Qt: the single-instance guard over a lock file and a local socket.
#include "app/qt/single_instance.h"

#include <unistd.h>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <cstdio>

namespace {

QString instanceFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    return folder;
}

}  // namespace

SingleInstance::SingleInstance(std::function<void()> onRaise)
    : onRaise_(std::move(onRaise)),
      serverName_(QStringLiteral("zr8-test-tool-%1").arg(static_cast<qulonglong>(::getuid()))) {}

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
    lock_ = std::make_unique<QLockFile>(instanceFolder() + QLatin1Char('/') + serverName_ +
                                        QStringLiteral(".lock"));
    lock_->setStaleLockTime(0);  // a lock whose holder died is taken over at once
    if (!lock_->tryLock(0)) {
        first_ = false;
        return;
    }
    first_ = true;
    QLocalServer::removeServer(serverName_);  // left behind by a copy that crashed
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
    server_->listen(serverName_);
}

bool SingleInstance::otherCopyRuns() {
    claim();
    return !first_;
}

void SingleInstance::askToRaise() {
    // The first copy may still be starting its server: try for a moment.
    for (int attempt = 0; attempt < 20; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(serverName_);
        if (socket.waitForConnected(100)) {
            socket.write("raise\n");
            socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return;
        }
        ::usleep(50 * 1000);
    }
}

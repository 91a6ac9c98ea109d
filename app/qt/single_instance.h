// Qt: one copy of the tool per user and login. The first copy holds a lock file and answers on a
// local socket beside it, in the user's runtime folder; a later start finds it there and asks it
// to come forward. A copy that holds the lock but does not answer is named on standard error and
// in a message box, so that a start never ends without a word.
#pragma once

#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

class SingleInstance {
  public:
    // onRaise runs in the first copy when a later start asks it to come forward.
    explicit SingleInstance(std::function<void()> onRaise);
    ~SingleInstance();

    // true when another copy of the tool already runs for this user.
    bool otherCopyRuns();
    // Asks the running copy to restore and raise its window (waits about a second for it).
    void askToRaise();
    const QString& lockPath() const { return lockPath_; }
    const QString& socketPath() const { return socketPath_; }

  private:
    void claim();

    std::function<void()> onRaise_;
    QString lockPath_;
    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    bool claimed_ = false;
    bool first_ = false;
    bool toldUnreachable_ = false;
};

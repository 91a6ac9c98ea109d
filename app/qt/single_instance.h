// Qt: one copy of the tool per user. The first copy holds a lock file and answers on a local
// socket; a later start finds it there and asks it to come forward.
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
    // Asks the running copy to restore and raise its window.
    void askToRaise();

  private:
    void claim();

    std::function<void()> onRaise_;
    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<QLocalServer> server_;
    bool claimed_ = false;
    bool first_ = false;
};

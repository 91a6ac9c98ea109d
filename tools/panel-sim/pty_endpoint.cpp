// The pty or serial device the simulator talks through.
#include "tools/panel-sim/pty_endpoint.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace panelsim {

namespace {

std::string systemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool makeRaw(int fd, speed_t speed, bool setSpeed) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (setSpeed &&
        (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0)) {
        return false;
    }
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

}  // namespace

Endpoint::~Endpoint() {
    close();
}

bool Endpoint::openPty(std::string& error) {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (fd < 0) {
        error = systemError("posix_openpt");
        return false;
    }
    const char* slave = nullptr;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0 || (slave = ::ptsname(fd)) == nullptr) {
        error = systemError("pty set-up");
        ::close(fd);
        return false;
    }
    path_ = slave;
    if (!makeRaw(fd, B38400, false)) {
        error = systemError("raw mode of the pty");
        ::close(fd);
        return false;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0 ||
        ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) {
        error = systemError("pty flags");
        ::close(fd);
        return false;
    }
    fd_ = fd;
    isPty_ = true;
    return true;
}

bool Endpoint::openDevice(const std::string& path, int baud, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = systemError(path);
        return false;
    }
    if (!::isatty(fd)) {
        error = path + ": not a serial device";
        ::close(fd);
        return false;
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        error = systemError(path + ": exclusive access");
        ::close(fd);
        return false;
    }
    if (!makeRaw(fd, baud == 9600 ? B9600 : B38400, true)) {
        error = systemError(path + ": line settings");
        ::close(fd);
        return false;
    }
    ::tcflush(fd, TCIOFLUSH);
    fd_ = fd;
    isPty_ = false;
    path_ = path;
    return true;
}

bool Endpoint::makeLink(const std::string& linkPath, std::string& error) {
    struct stat info {};
    if (::lstat(linkPath.c_str(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        error = linkPath + ": exists and is not a symbolic link; not replacing it";
        return false;
    }
    // Made beside it and renamed over it, so the link is never missing or half made.
    const std::string temporary = linkPath + ".zr8-panel-sim." + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(path_.c_str(), temporary.c_str()) != 0) {
        error = systemError(linkPath);
        return false;
    }
    if (::rename(temporary.c_str(), linkPath.c_str()) != 0) {
        error = systemError(linkPath);
        ::unlink(temporary.c_str());
        return false;
    }
    linkPath_ = linkPath;
    return true;
}

void Endpoint::removeLink() {
    if (linkPath_.empty()) {
        return;
    }
    char target[PATH_MAX];
    const ssize_t length = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (length >= 0 && path_ == std::string(target, static_cast<std::size_t>(length))) {
        ::unlink(linkPath_.c_str());
    }
    linkPath_.clear();
}

void Endpoint::close() {
    removeLink();
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

}  // namespace panelsim

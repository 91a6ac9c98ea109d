// Linux serial-port service over termios: exclusive opens, raw 8N1, I/O that never blocks.
#include "link/posix/serial_port_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace {

using Clock = std::chrono::steady_clock;

// Opens the device for reading and writing with exclusive access; -1 when it is missing, is
// not a tty, or is held by another program (made exclusive by it, or locked by another copy
// of the tool).
int openExclusive(const char* path) {
    struct stat info {};
    // Only character devices are opened at all: opening anything else may have side effects.
    if (path == nullptr || ::stat(path, &info) != 0 || !S_ISCHR(info.st_mode)) {
        return -1;
    }
    const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    // Root gets past another program's TIOCEXCL; the flag still tells that the tty is taken.
    int exclusiveAlready = 0;
    const bool taken = ::ioctl(fd, TIOCGEXCL, &exclusiveAlready) == 0 && exclusiveAlready != 0;
    if (::isatty(fd) == 0 || taken || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ||
        ::ioctl(fd, TIOCEXCL) != 0) {
        ::close(fd);  // closing drops the lock, if it was taken
        return -1;
    }
    return fd;
}

// Gives up what openExclusive took. The exclusive flag belongs to the tty, not to this
// descriptor: it must be cleared, or a pty whose other side stays open would stay locked.
void releaseExclusive(int fd) {
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

bool speedFor(std::uint32_t baudRate, speed_t& speed) {
    struct Known {
        std::uint32_t rate;
        speed_t speed;
    };
    static constexpr Known kKnown[] = {{1200, B1200},   {2400, B2400},    {4800, B4800},
                                       {9600, B9600},   {19200, B19200},  {38400, B38400},
                                       {57600, B57600}, {115200, B115200}};
    for (const Known& known : kKnown) {
        if (known.rate == baudRate) {
            speed = known.speed;
            return true;
        }
    }
    return false;
}

// Milliseconds left until deadline, rounded up; 0 once it has passed.
int millisecondsUntil(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) {
        return 0;
    }
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(left).count());
}

void sleepOneMillisecond() {
    timespec pause{0, 1000000};
    ::nanosleep(&pause, nullptr);
}

}  // namespace

PosixSerialPortService::PosixSerialPortService(std::chrono::milliseconds writeStallLimit)
    : writeStallLimit_(writeStallLimit) {}

PosixSerialPortService::~PosixSerialPortService() {
    for (OpenPort& slot : slots_) {
        if (slot.fd >= 0) {
            closePort(reinterpret_cast<SerialPort>(&slot));
        }
    }
}

const PosixSerialPortService::OpenPort* PosixSerialPortService::slotOf(SerialPort port) const {
    for (const OpenPort& slot : slots_) {
        if (port != nullptr && static_cast<const void*>(port) == static_cast<const void*>(&slot)) {
            return slot.fd >= 0 ? &slot : nullptr;
        }
    }
    return nullptr;
}

PosixSerialPortService::OpenPort* PosixSerialPortService::slotOf(SerialPort port) {
    return const_cast<OpenPort*>(static_cast<const PosixSerialPortService*>(this)->slotOf(port));
}

int PosixSerialPortService::descriptorOf(SerialPort port) const {
    const OpenPort* slot = slotOf(port);
    return slot != nullptr ? slot->fd : -1;
}

bool PosixSerialPortService::portGone(SerialPort port) {
    const OpenPort* slot = slotOf(port);
    return slot != nullptr && slot->gone;
}

bool PosixSerialPortService::probePort(int portNumber) {
    const int fd = openExclusive(PortMap::load().path(portNumber));
    if (fd < 0) {
        return false;
    }
    releaseExclusive(fd);
    return true;
}

SerialPort PosixSerialPortService::openPort(int portNumber) {
    OpenPort* freeSlot = nullptr;
    for (OpenPort& slot : slots_) {
        if (slot.fd < 0) {
            freeSlot = &slot;
            break;
        }
    }
    if (freeSlot == nullptr) {
        return nullptr;
    }
    const int fd = openExclusive(PortMap::load().path(portNumber));
    if (fd < 0) {
        return nullptr;
    }
    freeSlot->fd = fd;
    freeSlot->gone = false;
    return reinterpret_cast<SerialPort>(freeSlot);
}

bool PosixSerialPortService::configurePort(SerialPort port, std::uint32_t baudRate) {
    const int fd = descriptorOf(port);
    speed_t speed = B0;
    termios settings{};
    if (fd < 0 || !speedFor(baudRate, speed) || ::tcgetattr(fd, &settings) != 0) {
        return false;
    }
    // Raw bytes: no line editing, echo, signals or newline translation, which would change the
    // panel's byte stream. 8 data bits, no parity, one stop bit, receiver on, modem lines
    // ignored, and no flow control: the panel's link has none, and a flow-control setting left
    // by an earlier program would stall our writes.
    ::cfmakeraw(&settings);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    // With O_NONBLOCK these make a read return at once with what has arrived.
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0 ||
        ::tcsetattr(fd, TCSANOW, &settings) != 0) {
        return false;
    }
    // tcsetattr succeeds when any one change took: check that the driver kept what matters.
    termios kept{};
    if (::tcgetattr(fd, &kept) != 0) {
        return false;
    }
    const tcflag_t frame = CSIZE | PARENB | CSTOPB;
    return ::cfgetospeed(&kept) == speed && (kept.c_cflag & frame) == CS8 &&
           (kept.c_lflag & ICANON) == 0;
}

void PosixSerialPortService::setReadsNonBlocking(SerialPort port) {
    const int fd = descriptorOf(port);
    if (fd < 0) {
        return;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0 && (flags & O_NONBLOCK) == 0) {
        ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    }
}

void PosixSerialPortService::purgePort(SerialPort port) {
    const int fd = descriptorOf(port);
    if (fd >= 0) {
        ::tcflush(fd, TCIOFLUSH);
    }
}

std::uint32_t PosixSerialPortService::readPort(SerialPort port, std::uint8_t* buffer,
                                               std::uint32_t capacity) {
    OpenPort* slot = slotOf(port);
    if (slot == nullptr || buffer == nullptr || capacity == 0) {
        return 0;
    }
    const int fd = slot->fd;
    for (;;) {
        const ssize_t count = ::read(fd, buffer, capacity);
        if (count > 0) {
            return static_cast<std::uint32_t>(count);
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV)) {
            slot->gone = true;  // unplugged, or a pty whose other side closed
        } else if (count == 0) {
            // Some drivers answer a hang-up with end of file rather than an error.
            pollfd request{fd, POLLIN, 0};
            if (::poll(&request, 1, 0) > 0 && (request.revents & POLLHUP) != 0) {
                slot->gone = true;
            }
        }
        // The caller sees nothing arrived and goes on; portGone tells whether more can come.
        return 0;
    }
}

void PosixSerialPortService::writePort(SerialPort port, const std::uint8_t* bytes,
                                       std::uint32_t length) {
    const int fd = descriptorOf(port);
    if (fd < 0 || bytes == nullptr) {
        return;
    }
    const Clock::time_point deadline = Clock::now() + writeStallLimit_;
    while (length > 0) {
        const ssize_t count = ::write(fd, bytes, length);
        if (count > 0) {
            bytes += count;
            length -= static_cast<std::uint32_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return;  // the line is gone (EIO on a hung-up pty): nothing more can be sent
        }
        // The line is not taking bytes: wait for room, but only until the deadline, then drop
        // what is left rather than hold up the caller.
        const int wait = millisecondsUntil(deadline);
        if (wait == 0) {
            return;
        }
        pollfd request{fd, POLLOUT, 0};
        const int ready = ::poll(&request, 1, wait);
        if (ready > 0 && (request.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return;
        }
    }
}

void PosixSerialPortService::closePort(SerialPort port) {
    const int fd = descriptorOf(port);
    if (fd < 0) {
        return;
    }
    // Bytes still queued for the line (the last frames before closing) get a short while to
    // leave; what a stalled line has not taken by then is discarded, so that close does not
    // wait for the driver's own, much longer, closing time.
    const Clock::time_point deadline = Clock::now() + kCloseDrainLimit;
    int queued = 0;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && Clock::now() < deadline) {
        sleepOneMillisecond();
    }
    // Only a line that is still stalled is flushed: on a pty the flush would also throw away
    // what the other side has been sent and not read yet (the last frames).
    if (queued > 0) {
        ::tcflush(fd, TCOFLUSH);
    }
    releaseExclusive(fd);
    for (OpenPort& slot : slots_) {
        if (slot.fd == fd) {
            slot.fd = -1;
            slot.gone = false;
        }
    }
}

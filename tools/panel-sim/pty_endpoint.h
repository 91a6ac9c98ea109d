// Where the simulator talks to the tool: the master side of a new pty (the tool opens the slave
// side), or a serial device. Both are raw 8-bit, non-blocking.
//
// The simulator never opens the pty's slave side itself: the tool's exclusive open must work,
// and on Linux the master sees POLLHUP while no process holds the slave open (from the first
// close of the slave on; before the slave was ever opened there is no POLLHUP), which is how the
// simulator sees the tool come and go.
#pragma once

#include <string>

namespace panelsim {

class Endpoint {
  public:
    Endpoint() = default;
    ~Endpoint();
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    // A new pty, master side raw (which sets the slave side raw too, so nothing is echoed or
    // translated before the tool sets its own line settings).
    bool openPty(std::string& error);
    // A serial device: raw 8N1 at baud (38400 or 9600), no flow control, exclusive.
    bool openDevice(const std::string& path, int baud, std::string& error);

    // Points a symbolic link at the pty's slave; an existing symbolic link there is replaced,
    // anything else there is an error.
    bool makeLink(const std::string& linkPath, std::string& error);
    // Removes the link, if it still points at our slave.
    void removeLink();
    // Closes the endpoint and removes the link.
    void close();

    int fd() const { return fd_; }
    bool isPty() const { return isPty_; }
    // The pty's slave path, or the device path.
    const std::string& path() const { return path_; }

  private:
    int fd_ = -1;
    bool isPty_ = false;
    std::string path_;
    std::string linkPath_;
};

}  // namespace panelsim

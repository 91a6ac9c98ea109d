// Keeping one session across an unplug: when the device link finds its port or adapter gone,
// the dead handle is closed and the same connection is looked for again about every 500 ms (a
// COM port by its number, an adapter by its serial number, see link/link_identity.h).
#pragma once

#include <cstdint>

#include "link/link_identity.h"
#include "monitor/coverage/link_report.h"

class LinkKeeper {
  public:
    static constexpr double kRetrySeconds = 0.5;

    enum class Change { None, Lost, Restored };

    // Remembers the connection open now; false when nothing is open or when it cannot be
    // recognised again (an adapter whose library tells neither serial number nor place). Such
    // a link is still watched: its loss is reported, but it is not looked for again.
    bool remember();
    // The adapter's serial number and description for the report (nothing for a COM port).
    void describe(LinkReport& report) const;

    // After each poll at seconds with what it read: Lost when the link has just gone (it is
    // closed then), Restored when it has just been opened again, else None.
    Change afterRead(std::uint32_t count, double seconds);
    bool lost() const { return lost_; }
    // A link was open when remembered (whether or not it can be recognised again).
    bool open() const { return open_; }

  private:
    LinkIdentity identity_;
    bool open_ = false;   // a link was open when remembered
    bool known_ = false;  // and it can be recognised again
    bool lost_ = false;
    double nextTry_ = 0.0;
};

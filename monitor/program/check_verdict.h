// The coverage check's state and verdict for a session, with or without its profile.
#pragma once

#include <string>
#include <vector>

#include "monitor/profile/profile_check.h"
#include "monitor/program/monitor_session.h"

// The profile's items as the registry stands now; empty without a profile.
std::vector<ProfileItem> sessionProfileItems(const MonitorSession& session);

// The check is over and passed: every required item met.
bool checkComplete(const MonitorSession& session);

// The failing items, one name each.
std::vector<std::string> checkMissing(const MonitorSession& session);

// The verdict's lines, seconds after the check started.
std::vector<std::string> checkResultLines(const MonitorSession& session, double seconds);

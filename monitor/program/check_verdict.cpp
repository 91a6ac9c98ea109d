// The verdict with or without a profile.
#include "monitor/program/check_verdict.h"

#include "monitor/coverage/profile_verdict.h"
#include "protocol/module_registry.h"

std::vector<ProfileItem> sessionProfileItems(const MonitorSession& session) {
    if (session.profile() == nullptr) {
        return {};
    }
    return checkProfile(*session.profile(), moduleRegistry());
}

bool checkComplete(const MonitorSession& session) {
    if (session.profile() == nullptr) {
        return session.coverage().complete();
    }
    return profileCheckComplete(session.coverage(), sessionProfileItems(session));
}

std::vector<std::string> checkMissing(const MonitorSession& session) {
    if (session.profile() == nullptr) {
        return session.coverage().missing();
    }
    return profileCheckMissing(session.coverage(), sessionProfileItems(session));
}

std::vector<std::string> checkResultLines(const MonitorSession& session, double seconds) {
    if (session.profile() == nullptr) {
        return coverageResultLines(session.coverage(), seconds);
    }
    return profileResultLines(session.coverage(), sessionProfileItems(session),
                              session.profile()->name, seconds);
}

#include "tests/support/recording_window_services.h"

std::vector<std::string> RecordingWindowServices::logOf(const std::string& prefix) const {
    std::vector<std::string> matching;
    for (const std::string& entry : log_) {
        if (entry.compare(0, prefix.size(), prefix) == 0) {
            matching.push_back(entry);
        }
    }
    return matching;
}

// Window services for tests: keeps every control's state (from the headless services) and logs
// every operation in order, as text such as `setItemText(#1, 1002, "133")`.
#pragma once

#include <string>
#include <vector>

#include "tests/support/headless_window_services.h"

class RecordingWindowServices : public HeadlessWindowServices {
  public:
    // Installs itself for as long as it lives, then puts back what was installed before.
    RecordingWindowServices() : previous_(&windowServices()) { installWindowServices(this); }
    ~RecordingWindowServices() override { installWindowServices(previous_); }
    RecordingWindowServices(const RecordingWindowServices&) = delete;
    RecordingWindowServices& operator=(const RecordingWindowServices&) = delete;

    const std::vector<std::string>& log() const { return log_; }
    void clearLog() { log_.clear(); }
    // The logged operations whose text starts with prefix, in order.
    std::vector<std::string> logOf(const std::string& prefix) const;

  protected:
    bool wantsOperations() const override { return true; }
    void onOperation(const std::string& description) override { log_.push_back(description); }

  private:
    WindowServices* previous_;
    std::vector<std::string> log_;
};

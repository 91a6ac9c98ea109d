// Driving the test FTD2XX.dll (fake_ftd2xx.cpp) from a test: the adapters it simulates, through
// ZR8_FAKE_FTDI, and the calls it was asked to make, through a log file of this process's own.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

class FakeFtd2xxControl {
  public:
    FakeFtd2xxControl() {
        char folder[MAX_PATH] = {};
        GetTempPathA(sizeof folder, folder);
        logPath_ =
            std::string(folder) + "zr8-fake-ftdi-" + std::to_string(GetCurrentProcessId()) + ".log";
        DeleteFileA(logPath_.c_str());
        SetEnvironmentVariableA("ZR8_FAKE_FTDI_LOG", logPath_.c_str());
    }
    ~FakeFtd2xxControl() {
        SetEnvironmentVariableA("ZR8_FAKE_FTDI", nullptr);
        SetEnvironmentVariableA("ZR8_FAKE_FTDI_LOG", nullptr);
        DeleteFileA(logPath_.c_str());
    }
    FakeFtd2xxControl(const FakeFtd2xxControl&) = delete;
    FakeFtd2xxControl& operator=(const FakeFtd2xxControl&) = delete;

    // The adapters attached from now on, as fake_ftd2xx.cpp reads them.
    static void attach(const std::string& adapters) {
        SetEnvironmentVariableA("ZR8_FAKE_FTDI", adapters.c_str());
    }

    // What the test library was asked to do, one call a line.
    std::vector<std::string> calls() const {
        std::vector<std::string> lines;
        std::ifstream file(logPath_);
        for (std::string line; std::getline(file, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    void clearCalls() const { DeleteFileA(logPath_.c_str()); }

  private:
    std::string logPath_;
};

// The test window's opening, messages, commands, Clear and shutdown.
#include "ui/test_window.h"

#include <cstdio>

#include "app/shell_state.h"
#include "link/connection_table.h"
#include "link/device_link.h"
#include "protocol/module_registry.h"
#include "protocol/output_frames.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "ui/indicator_display.h"
#include "ui/test_window_ids.h"

namespace {

constexpr int kAnalogueChannels = 6;
constexpr int kProgressBarMaximum = 127;
constexpr std::int16_t kLowestStep = 1;
constexpr std::int16_t kHighestStep = 20;

void setStepReadout(WindowHandle window) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", outputState().trimIndicatorStep);
    windowServices().setItemText(window, kStepReadoutId, text);
}

void checkAllGearLightsOff(WindowHandle window) {
    WindowServices& services = windowServices();
    services.checkRadioButton(window, kLeftGearOffId, kLeftGearOffId + 2, kLeftGearOffId);
    services.checkRadioButton(window, kNoseGearOffId, kNoseGearOffId + 2, kNoseGearOffId);
    services.checkRadioButton(window, kRightGearOffId, kRightGearOffId + 2, kRightGearOffId);
}

void trimOutputsOff() {
    OutputState& out = outputState();
    out.trimIndicatorOn = 0;
    out.trimIndicatorStep = kLowestStep;
}

void gearOutputsOff() {
    OutputState& out = outputState();
    out.rightGearLight = 0;
    out.noseGearLight = 0;
    out.leftGearLight = 0;
    out.lightsDimmed = 0;
}

void changeStep(WindowHandle window, int delta) {
    OutputState& out = outputState();
    int step = out.trimIndicatorStep + delta;
    if (step > kHighestStep) {
        step = kHighestStep;
    }
    if (step < kLowestStep) {
        step = kLowestStep;
    }
    out.trimIndicatorStep = static_cast<std::int16_t>(step);
    setStepReadout(window);
    sendOutputFrame(OutputFrameKind::TrimIndicator);
}

void clearWindow(WindowHandle window) {
    WindowServices& services = windowServices();
    OutputState& out = outputState();

    clearShownSlots();
    clearReceivedSlots();

    trimOutputsOff();
    services.checkButton(window, kIndicatorOnBoxId, out.trimIndicatorOn != 0);
    setStepReadout(window);
    sendOutputFrame(OutputFrameKind::TrimIndicator);

    gearOutputsOff();
    checkAllGearLightsOff(window);
    services.checkButton(window, kLightsDimmedBoxId, out.lightsDimmed != 0);
    sendOutputFrame(OutputFrameKind::GearLights);

    out.hobbsOn = 0;
    services.checkRadioButton(window, kHobbsOffId, kHobbsOnId, kHobbsOffId);
    sendOutputFrame(OutputFrameKind::HobbsMeter);

    resetModuleRegistry();
    refreshModuleList(window);

    for (int channel = 0; channel < kAnalogueChannels; ++channel) {
        services.setProgressPosition(window, kFirstProgressBarId + channel, 0);
        services.setItemText(window, kFirstChannelReadoutId + channel, "-");
    }
    updateIndicators(window, 1);
}

// Every output off while the link is still open, then the link closed and the timers stopped.
void shutDown(WindowHandle window) {
    trimOutputsOff();
    sendOutputFrame(OutputFrameKind::TrimIndicator);
    gearOutputsOff();
    sendOutputFrame(OutputFrameKind::GearLights);
    outputState().hobbsOn = 0;
    sendOutputFrame(OutputFrameKind::HobbsMeter);
    closeDeviceLink();

    WindowServices& services = windowServices();
    services.killTimer(window, kPollTimerId);
    services.killTimer(window, kHobbsTimerId);

    ShellState& shell = shellState();
    if (shell.currentWindow == window) {
        shell.currentWindow = nullptr;  // gone: nothing may destroy it a second time
    }
    if (shell.switchingGuard == 0) {
        requestQuit();
    }
}

// A check box flips its setting, shows it and sends the frame that carries it.
void toggleBox(WindowHandle window, int boxId, std::int16_t& setting, OutputFrameKind kind) {
    setting = setting == 0 ? 1 : 0;
    windowServices().checkButton(window, boxId, setting != 0);
    sendOutputFrame(kind);
}

// 1 when the id is one of the window's commands.
int handleCommand(WindowHandle window, int id) {
    WindowServices& services = windowServices();
    OutputState& out = outputState();
    if (id >= kLeftGearOffId && id <= kRightGearOffId + 2) {
        // Three rows of OFF, RED, GREEN: left, nose, right.
        const int row = (id - kLeftGearOffId) / 3;
        const int first = kLeftGearOffId + row * 3;
        const auto choice = static_cast<std::int16_t>(id - first);
        std::int16_t& light =
            row == 0 ? out.leftGearLight : (row == 1 ? out.noseGearLight : out.rightGearLight);
        light = choice;
        services.checkRadioButton(window, first, first + 2, id);
        sendOutputFrame(OutputFrameKind::GearLights);
        return 1;
    }
    switch (id) {
        case kQuitButtonId:
            requestQuit();
            return 1;
        case kClearButtonId:
            clearWindow(window);
            return 1;
        case kIndicatorOnBoxId:
            toggleBox(window, kIndicatorOnBoxId, out.trimIndicatorOn,
                      OutputFrameKind::TrimIndicator);
            return 1;
        case kStepDownButtonId:
            changeStep(window, -1);
            return 1;
        case kStepUpButtonId:
            changeStep(window, +1);
            return 1;
        case kLightsDimmedBoxId:
            toggleBox(window, kLightsDimmedBoxId, out.lightsDimmed, OutputFrameKind::GearLights);
            return 1;
        case kHobbsOffId:
        case kHobbsOnId:
            out.hobbsOn = static_cast<std::int16_t>(id - kHobbsOffId);
            services.checkRadioButton(window, kHobbsOffId, kHobbsOnId, id);
            sendOutputFrame(OutputFrameKind::HobbsMeter);
            return 1;
        default:
            return 0;
    }
}

}  // namespace

int openTestWindow() {
    WindowServices& services = windowServices();
    ShellState& shell = shellState();
    if (shell.currentWindow != nullptr) {
        WindowHandle old = shell.currentWindow;
        shell.currentWindow = nullptr;
        services.destroyWindow(old);
    }

    const ConnectionEntry* selected = selectedConnectionEntry();
    openSelectedConnection();

    const WindowHandle window = services.createDialog("SERIALWINZR8", nullptr);
    shell.currentWindow = window;
    if (window == nullptr) {
        return 0;
    }

    char title[320];
    std::snprintf(title, sizeof title, "ORVAN ZR8 Test Tool - %s",
                  selected != nullptr ? selected->label : "");
    services.setWindowText(window, title);

    // Both check boxes from their settings: the create message came before the boxes existed.
    services.checkButton(window, kIndicatorOnBoxId, outputState().trimIndicatorOn != 0);
    checkAllGearLightsOff(window);
    services.checkButton(window, kLightsDimmedBoxId, outputState().lightsDimmed != 0);
    services.checkRadioButton(window, kHobbsOffId, kHobbsOnId, kHobbsOffId);

    for (int bar = 0; bar < kAnalogueChannels; ++bar) {
        services.setProgressRange(window, kFirstProgressBarId + bar, 0, kProgressBarMaximum);
        services.setProgressPosition(window, kFirstProgressBarId + bar, 0);
    }

    sendOutputFrame(OutputFrameKind::TrimIndicator);
    sendOutputFrame(OutputFrameKind::GearLights);
    sendOutputFrame(OutputFrameKind::HobbsMeter);

    updateIndicators(window, 1);

    services.setTimer(window, kPollTimerId, kPollPeriodMs);
    services.setTimer(window, kHobbsTimerId, kHobbsPeriodMs);

    services.showWindow(window, ShowCommand::Show);
    services.updateWindow(window);
    return 1;
}

int testWindowProc(WindowHandle window, const WindowMessage& message) {
    WindowServices& services = windowServices();
    switch (message.kind) {
        case MessageKind::Create:
            services.setWindowPosition(window, 15, 15);
            return 1;
        case MessageKind::Paint:
            updateIndicators(window, 1);
            return 0;
        case MessageKind::Timer:
            if (message.timerId == kPollTimerId) {
                if (pollInput(window) != 0) {
                    updateIndicators(window, 0);
                }
            } else if (outputState().hobbsOn != 0) {
                sendOutputFrame(OutputFrameKind::HobbsMeter);
            }
            return 0;
        case MessageKind::Command:
            return handleCommand(window, message.controlId);
        case MessageKind::Destroy:
            shutDown(window);
            return 0;
    }
    return 0;
}

// --send and --output-test on the terminal.
#include "monitor/program/outputs_run.h"

#include <cstdio>

#include "monitor/events/event_format.h"
#include "monitor/outputs/send_command.h"
#include "protocol/output_frames.h"
#include "text/text_escape.h"

bool checkSends(const std::vector<std::string>& sends, std::string& error) {
    for (const std::string& text : sends) {
        OutputState scratch = outputState();
        OutputFrameKind kind = OutputFrameKind::TrimIndicator;
        if (!parseSendCommand(text, scratch, kind, error)) {
            error = "--send \"" + text + "\": " + error;
            return false;
        }
    }
    return true;
}

void sendAll(const std::vector<std::string>& sends, bool json) {
    for (const std::string& text : sends) {
        OutputFrameKind kind = OutputFrameKind::TrimIndicator;
        std::string error;
        parseSendCommand(text, outputState(), kind, error);
        std::uint8_t frame[kOutputFrameSize] = {};
        buildOutputFrame(kind, frame);
        sendOutputFrame(kind);
        const std::string bytes =
            hexBytes(std::vector<std::uint8_t>(frame, frame + kOutputFrameSize));
        if (json) {
            std::printf("{\"event\":\"sent\",\"command\":%s,\"frame\":\"%s\"}\n",
                        jsonString(text).c_str(), bytes.c_str());
        } else {
            std::printf("sent %s: %s\n", text.c_str(), bytes.c_str());
        }
    }
    std::fflush(stdout);
}

std::vector<OutputTestStep> runTerminalOutputTest() {
    OutputTestIo io;
    io.readLine = [](std::string& line) {
        line.clear();
        char buffer[256];
        if (std::fgets(buffer, sizeof buffer, stdin) == nullptr) {
            return false;
        }
        line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        return true;
    };
    io.print = [](const std::string& text) {
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    };
    io.send = [](OutputFrameKind kind) { return sendOutputFrame(kind); };
    return runOutputTest(io);
}

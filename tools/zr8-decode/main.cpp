// zr8-decode: runs a captured mainboard byte stream through the panel decoder and prints what
// the test window would show, as one JSON object.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/headless_window_services.h"
#include "protocol/module_registry.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "tools/zr8-decode/capture_link.h"
#include "tools/zr8-decode/decode_report.h"
#include "ui/test_window_ids.h"

namespace {

void printUsage(std::FILE* to) {
    std::fputs(
        "Usage: zr8-decode FILE\n"
        "       zr8-decode -            (read the stream from standard input)\n"
        "\n"
        "Runs a captured byte stream from a ZR8 panel mainboard through the tool's decoder,\n"
        "in reads of at most 100 bytes as the test window does, and prints the final state:\n"
        "\n"
        "  {\"slots\":[47 integers, -1 = not reported],\"trimCounter\":N,\"fullScale\":F,\n"
        "   \"mainboard\":\"Mainboard: read-out\",\"modules\":[\"Modules: list lines\"]}\n"
        "\n"
        "Any byte content is valid input; bytes that do not fit the protocol are dropped as the\n"
        "tool drops them. Exit status: 0 on success, 2 when the file cannot be read.\n",
        to);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(stdout);
        return 0;
    }
    if (argc != 2) {
        std::fputs("zr8-decode: expected one FILE (or - for standard input); see --help\n", stderr);
        return 2;
    }
    const char* path = argv[1];
    const bool fromStdin = std::strcmp(path, "-") == 0;
    std::FILE* file = fromStdin ? stdin : std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "zr8-decode: cannot open %s: %s\n", path, std::strerror(errno));
        return 2;
    }

    HeadlessWindowServices screen;
    installWindowServices(&screen);
    const WindowHandle window = screen.createDialog("SERIALWINZR8", nullptr);
    screen.presetText(window, kMainboardReadoutId, "-");

    openCaptureLink(file);
    while (!captureLinkFinished()) {
        pollInput(window);
    }
    const int readError = captureLinkError();
    if (!fromStdin) {
        std::fclose(file);
    }
    if (readError != 0) {
        std::fprintf(stderr, "zr8-decode: cannot read %s: %s\n",
                     fromStdin ? "standard input" : path, std::strerror(readError));
        return 2;
    }

    const std::string json = decodeReportJson(screen.control(window, kMainboardReadoutId).text,
                                              screen.control(window, kModuleListId).rows);
    std::fputs(json.c_str(), stdout);
    std::fputc('\n', stdout);
    installWindowServices(nullptr);
    return std::fflush(stdout) == 0 ? 0 : 2;
}

// zr8-decode: runs a recorded mainboard byte stream (a capture file or raw bytes) through the
// panel decoder and prints what the test window would show, as one JSON object.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/module_registry.h"
#include "protocol/report_state.h"
#include "protocol/stream_decoder.h"
#include "tools/zr8-decode/capture_link.h"
#include "tools/zr8-decode/decode_report.h"
#include "zr8_version.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

void printUsage(std::FILE* to) {
    std::fputs(
        "Usage: zr8-decode FILE\n"
        "       zr8-decode -            (read the stream from standard input)\n"
        "       zr8-decode --version\n"
        "\n"
        "Runs a recorded byte stream from a ZR8 panel mainboard through the tool's decoder,\n"
        "in reads of at most 100 bytes as the test window does, and prints the final state:\n"
        "\n"
        "  {\"slots\":[47 integers, -1 = not reported],\"trimCounter\":N,\"fullScale\":F,\n"
        "   \"mainboard\":\"Mainboard: read-out\",\"modules\":[\"Modules: list lines\"]}\n"
        "\n"
        "FILE is either a capture file (as zr8-monitor --capture writes it: it starts with\n"
        "ZR8CAP01, see docs/capture-format.md), whose chunks are decoded in the order and the\n"
        "pieces they arrived in, or raw bytes as they came from the mainboard.\n"
        "\n"
        "Any raw byte content is valid input; bytes that do not fit the protocol are dropped as\n"
        "the tool drops them. Exit status: 0 on success, 2 when the file cannot be read or is a\n"
        "damaged capture (the message names the byte offset).\n",
        to);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        printUsage(stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts("zr8-decode " ZR8_VERSION);
        return 0;
    }
    if (argc != 2) {
        std::fputs("zr8-decode: expected one FILE (or - for standard input); see --help\n", stderr);
        return 2;
    }
    const char* path = argv[1];
    const bool fromStdin = std::strcmp(path, "-") == 0;
#ifdef _WIN32
    if (fromStdin) {
        // Windows opens standard input in text mode, which would turn CR LF into LF and stop at
        // the first 0x1A byte.
        _setmode(_fileno(stdin), _O_BINARY);
    }
#endif
    std::FILE* file = fromStdin ? stdin : std::fopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "zr8-decode: cannot open %s: %s\n", path, std::strerror(errno));
        return 2;
    }

    // The decoder's results are read from its state: no window is needed, and the silent
    // window services take the read-out and list updates the poll makes.
    const WindowHandle window = nullptr;

    const std::string name = fromStdin ? "standard input" : path;
    openCaptureLink(file, name);
    while (!captureLinkFinished()) {
        pollInput(window);
    }
    const std::string error = captureLinkError();
    if (!fromStdin) {
        std::fclose(file);
    }
    if (!error.empty()) {
        std::fprintf(stderr, "zr8-decode: %s\n", error.c_str());
        return 2;
    }

    std::vector<std::string> modules;
    char line[kModuleListLineSize];
    for (int index = 0; moduleListLine(index, line) != 0; ++index) {
        modules.emplace_back(line);
    }
    const std::string json = decodeReportJson(decoderState().mainboardText, modules);
    std::fputs(json.c_str(), stdout);
    std::fputc('\n', stdout);
    installWindowServices(nullptr);
    return std::fflush(stdout) == 0 ? 0 : 2;
}

// readDeviceLink and writeDeviceLink over a capture file, for zr8-decode.
#include "tools/zr8-decode/capture_link.h"

#include <cerrno>

#include "link/device_link.h"

namespace {

std::FILE* capture = nullptr;
bool finished = true;
int error = 0;

}  // namespace

void openCaptureLink(std::FILE* file) {
    capture = file;
    finished = file == nullptr;
    error = 0;
}

bool captureLinkFinished() {
    return finished;
}

int captureLinkError() {
    return error;
}

std::uint32_t readDeviceLink(std::uint8_t (&buffer)[kDeviceLinkReadSize]) {
    if (finished) {
        return 0;
    }
    errno = 0;
    const std::size_t count = std::fread(buffer, 1, kDeviceLinkReadSize, capture);
    if (count < kDeviceLinkReadSize) {
        finished = true;
        if (std::ferror(capture) != 0) {
            error = errno != 0 ? errno : EIO;
        }
    }
    return static_cast<std::uint32_t>(count);
}

int writeDeviceLink(const std::uint8_t*, std::uint32_t) {
    return 0;  // a capture is only read
}

// Linux FTDI layer: the kernel ttys of a USB device in sysfs, and who holds them open in /proc.
#include "link/posix/kernel_tty.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kTtyClass = "/sys/class/tty";

bool isNumber(const char* text) {
    if (*text == '\0') {
        return false;
    }
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') {
            return false;
        }
    }
    return true;
}

// "188:0" from a sysfs dev file.
bool readDeviceNumber(const std::string& path, unsigned int& major, unsigned int& minor) {
    FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        return false;
    }
    const int read = std::fscanf(file, "%u:%u", &major, &minor);
    std::fclose(file);
    return read == 2;
}

}  // namespace

std::string usbSysfsName(int busNumber, const unsigned char* portNumbers, int portCount) {
    if (portNumbers == nullptr || portCount <= 0) {
        return {};
    }
    std::string name = std::to_string(busNumber) + "-";
    for (int i = 0; i < portCount; ++i) {
        name += (i == 0 ? "" : ".") + std::to_string(portNumbers[i]);
    }
    return name;
}

std::string usbDeviceOfTtyPath(const std::string& deviceLinkTarget) {
    // .../<usb device>/<usb device>:<configuration>.<interface>/ttyUSBn
    const std::size_t ttyAt = deviceLinkTarget.find_last_of('/');
    if (ttyAt == std::string::npos || ttyAt == 0) {
        return {};
    }
    const std::size_t interfaceAt = deviceLinkTarget.find_last_of('/', ttyAt - 1);
    const std::size_t start = interfaceAt == std::string::npos ? 0 : interfaceAt + 1;
    const std::string interfaceName = deviceLinkTarget.substr(start, ttyAt - start);
    // A USB interface is named <bus>-<ports>:<configuration>.<interface>.
    const std::size_t colon = interfaceName.find(':');
    if (colon == std::string::npos || interfaceName.find('.', colon) == std::string::npos) {
        return {};
    }
    const std::string device = interfaceName.substr(0, colon);
    const std::size_t dash = device.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 == device.size() ||
        device.find_first_not_of("0123456789.-") != std::string::npos) {
        return {};
    }
    return device;
}

bool characterDeviceOpen(unsigned int major, unsigned int minor, const std::string& procRoot) {
    const dev_t wanted = makedev(major, minor);
    const std::string self = std::to_string(getpid());
    DIR* processes = opendir(procRoot.c_str());
    if (processes == nullptr) {
        return false;
    }
    bool open = false;
    while (!open) {
        const dirent* process = readdir(processes);
        if (process == nullptr) {
            break;
        }
        if (!isNumber(process->d_name) || self == process->d_name) {
            continue;
        }
        const std::string fdFolder = procRoot + "/" + process->d_name + "/fd";
        DIR* descriptors = opendir(fdFolder.c_str());
        if (descriptors == nullptr) {
            continue;  // gone meanwhile, or another user's
        }
        while (const dirent* descriptor = readdir(descriptors)) {
            struct stat target {};
            if (isNumber(descriptor->d_name) &&
                stat((fdFolder + "/" + descriptor->d_name).c_str(), &target) == 0 &&
                S_ISCHR(target.st_mode) && target.st_rdev == wanted) {
                open = true;
                break;
            }
        }
        closedir(descriptors);
    }
    closedir(processes);
    return open;
}

bool kernelTtyInUse(const std::string& usbDeviceName) {
    if (usbDeviceName.empty()) {
        return false;
    }
    DIR* ttys = opendir(kTtyClass);
    if (ttys == nullptr) {
        return false;
    }
    bool inUse = false;
    while (!inUse) {
        const dirent* tty = readdir(ttys);
        if (tty == nullptr) {
            break;
        }
        if (tty->d_name[0] == '.') {
            continue;
        }
        const std::string folder = std::string(kTtyClass) + "/" + tty->d_name;
        char target[PATH_MAX] = {};
        if (realpath((folder + "/device").c_str(), target) == nullptr ||
            usbDeviceOfTtyPath(target) != usbDeviceName) {
            continue;
        }
        unsigned int major = 0;
        unsigned int minor = 0;
        inUse = readDeviceNumber(folder + "/dev", major, minor) &&
                characterDeviceOpen(major, minor, "/proc");
    }
    closedir(ttys);
    return inUse;
}

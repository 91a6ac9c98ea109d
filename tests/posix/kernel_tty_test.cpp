// Finding another program's session on an adapter's kernel tty: the sysfs names, and who holds a
// character device open, read from a real /proc and from made-up ones.
#include "link/posix/kernel_tty.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace {

TEST(KernelTty, SysfsNamesOfUsbDevicesAndOfTheirTtys) {
    const unsigned char ports[] = {1, 4, 2};
    EXPECT_EQ(usbSysfsName(3, ports, 3), "3-1.4.2");
    EXPECT_EQ(usbSysfsName(1, ports, 1), "1-1");
    EXPECT_EQ(usbSysfsName(1, ports, 0), "") << "a root hub has no port path";

    struct Case {
        const char* target;
        const char* device;
    };
    const Case cases[] = {
        {"/sys/devices/pci0000:00/0000:00:01.2/usb1/1-1/1-1:1.0/ttyUSB0", "1-1"},
        {"/sys/devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1.4/3-1.4:1.1/ttyUSB1", "3-1.4"},
        {"/sys/devices/platform/serial8250/tty/ttyS0", ""},
        {"/sys/devices/pnp0/00:04/tty", ""},
        {"/sys/devices/pci0000:00/0000:00:1f.3/tty", ""},
        {"ttyUSB0", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(usbDeviceOfTtyPath(c.target), c.device) << c.target;
    }
    EXPECT_FALSE(kernelTtyInUse("")) << "no name, no tty";
    EXPECT_FALSE(kernelTtyInUse("99-9.9.9")) << "no such device";
}

// A pty is a character device like /dev/ttyUSBn: while a child process holds its slave open it
// is found in use; once the child is gone it is not; this process's own descriptors never count.
TEST(KernelTty, ACharacterDeviceHeldByAnotherProcessIsFoundInProc) {
    int master = -1;
    int slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    struct stat device {};
    ASSERT_EQ(fstat(slave, &device), 0);
    const unsigned int major = ::major(device.st_rdev);
    const unsigned int minor = ::minor(device.st_rdev);
    EXPECT_FALSE(characterDeviceOpen(major, minor, "/proc")) << "only this process holds it";

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        const ssize_t written = write(ready[1], "x", 1);
        (void)written;
        pause();  // holds the inherited slave until killed
        _exit(0);
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    close(slave);  // now only the child has it

    EXPECT_TRUE(characterDeviceOpen(major, minor, "/proc"));
    EXPECT_FALSE(characterDeviceOpen(major, minor + 4000, "/proc")) << "another device";

    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_FALSE(characterDeviceOpen(major, minor, "/proc"));
    close(master);
}

TEST(KernelTty, AProcFolderThatIsNotThereHoldsNothing) {
    EXPECT_FALSE(characterDeviceOpen(1, 3, "/nonexistent-proc"));
}

}  // namespace

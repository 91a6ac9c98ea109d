#!/usr/bin/env python3
"""The USB rig: the project's programs in a small Linux guest under QEMU, with emulated FTDI
adapters (QEMU's usb-serial, an FT232BM) wired to panel simulators on host ptys.

  rig.py prepare WORK PROGRAM... [--desktop QTPROGRAM]
                                   fetch Debian's kernel package into WORK once (cached), then
                                   build WORK/initramfs.cpio with busybox, the USB modules, the
                                   programs with their shared libraries, and the guest scripts;
                                   with --desktop also WORK/initramfs-desktop.cpio, which adds
                                   the Qt program on Qt's offscreen platform
  rig.py boot WORK NAME [N [MODULE...]]
                                   boot the guest running guest/NAME.sh with N adapters (each on
                                   a simulator looping the demo) and the extra kernel modules
                                   (usbserial ftdi_sio), and print the console (by hand)

The guest prints each check between markers on its console:

  @@@ZR8 begin NAME            the output of one check follows
  @@@ZR8 end NAME rc=N cs=N    its exit status and its time in centiseconds
  @@@ZR8 action unplug a0 ...  the host unplugs (device_del) or plugs back (device_add) adapters
  @@@ZR8 boot-end              the guest is done and powers off
"""
import glob
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
MARK = "@@@ZR8 "

# insmod order: each module after those it needs.
BASE_MODULES = ["usb-common", "usbcore", "uhci-hcd"]
MODULE_PATHS = {
    "usb-common": "drivers/usb/common/usb-common.ko",
    "usbcore": "drivers/usb/core/usbcore.ko",
    "uhci-hcd": "drivers/usb/host/uhci-hcd.ko",
    "usbserial": "drivers/usb/serial/usbserial.ko",
    "ftdi_sio": "drivers/usb/serial/ftdi_sio.ko",
}
LOADER = "/lib64/ld-linux-x86-64.so.2"


class RigError(Exception):
    pass


def run(args, **kwargs):
    return subprocess.run(args, check=True, capture_output=True, text=True, **kwargs)


# --- kernel -------------------------------------------------------------------------------------

def kernel_package():
    """The versioned image package that Debian's linux-image-amd64 stands for."""
    try:
        depends = run(["apt-cache", "depends", "linux-image-amd64"]).stdout
    except (OSError, subprocess.CalledProcessError) as error:
        raise RigError("apt-cache depends linux-image-amd64 failed: %s" % error)
    for line in depends.splitlines():
        match = re.match(r"\s*Depends:\s*(linux-image-\S+)", line)
        if match:
            return match.group(1)
    raise RigError("no kernel image package known to apt (run apt-get update first)")


def prepare_kernel(work):
    """WORK/kernel/{vmlinuz, modules/*.ko}; downloaded and unpacked only when missing."""
    kernel = os.path.join(work, "kernel")
    stamp = os.path.join(kernel, "package")
    if os.path.exists(stamp):
        return kernel
    package = kernel_package()
    download = tempfile.mkdtemp(prefix="kernel-", dir=work)
    try:
        run(["apt-get", "download", package], cwd=download)
        debs = glob.glob(os.path.join(download, "*.deb"))
        if len(debs) != 1:
            raise RigError("apt-get download %s gave %d packages" % (package, len(debs)))
        tree = os.path.join(download, "tree")
        run(["dpkg-deb", "-x", debs[0], tree])
        staged = os.path.join(download, "staged")
        os.makedirs(os.path.join(staged, "modules"))
        images = glob.glob(os.path.join(tree, "boot", "vmlinuz-*"))
        if len(images) != 1:
            raise RigError("%s holds %d kernel images" % (package, len(images)))
        shutil.copy(images[0], os.path.join(staged, "vmlinuz"))
        trees = glob.glob(os.path.join(tree, "lib", "modules", "*", "kernel"))
        if len(trees) != 1:
            raise RigError("%s holds %d module trees" % (package, len(trees)))
        for name, path in MODULE_PATHS.items():
            target = os.path.join(staged, "modules", name + ".ko")
            source = os.path.join(trees[0], path)
            if os.path.exists(source):
                shutil.copy(source, target)
            elif os.path.exists(source + ".xz"):
                with open(target, "wb") as out:
                    subprocess.run(["xz", "-dc", source + ".xz"], stdout=out, check=True)
            else:
                raise RigError("%s has no %s" % (package, path))
        with open(os.path.join(staged, "package"), "w") as f:
            f.write(os.path.basename(debs[0]) + "\n")
        shutil.rmtree(kernel, ignore_errors=True)
        os.rename(staged, kernel)
    finally:
        shutil.rmtree(download, ignore_errors=True)
    return kernel


# --- initramfs ----------------------------------------------------------------------------------

def shared_libraries(program):
    """The absolute paths ldd names for program, the loader among them."""
    output = run(["ldd", program]).stdout
    paths = set()
    for line in output.splitlines():
        match = re.search(r"(/\S+)\s+\(0x", line)
        if match:
            paths.add(match.group(1))
        elif "not found" in line:
            raise RigError("%s: %s" % (program, line.strip()))
    return sorted(paths)


def copy_into(root, path, target=None):
    destination = os.path.join(root, (target or path).lstrip("/"))
    os.makedirs(os.path.dirname(destination), exist_ok=True)
    shutil.copy2(os.path.realpath(path), destination)


def write_cpio(root, image):
    partial = image + ".part"
    names = subprocess.run(["find", "."], cwd=root, capture_output=True, check=True).stdout
    with open(partial, "wb") as out:
        subprocess.run(["cpio", "-o", "-H", "newc", "--quiet"], cwd=root, input=names,
                       stdout=out, check=True)
    os.replace(partial, image)


def add_programs(root, programs):
    """The programs into /bin, with every shared library ldd names (the loader among them)."""
    libraries = set()
    for program in programs:
        copy_into(root, program, "/bin/" + os.path.basename(program))
        libraries.update(shared_libraries(program))
    for library in libraries:
        copy_into(root, library)
    if not os.path.exists(os.path.join(root, LOADER.lstrip("/"))):
        copy_into(root, LOADER)


def build_initramfs(work, kernel, programs):
    busybox = shutil.which("busybox")
    if busybox is None:
        raise RigError("busybox not installed (busybox-static)")
    root = tempfile.mkdtemp(prefix="initramfs-", dir=work)
    try:
        for folder in ["bin", "dev", "proc", "sys", "tmp", "modules", "tests", "lib64"]:
            os.makedirs(os.path.join(root, folder), exist_ok=True)
        shutil.copy2(busybox, os.path.join(root, "bin", "busybox"))
        for applet in run([busybox, "--list"]).stdout.split():
            if applet != "busybox":
                os.symlink("busybox", os.path.join(root, "bin", applet))
        for module in glob.glob(os.path.join(kernel, "modules", "*.ko")):
            shutil.copy(module, os.path.join(root, "modules"))
        add_programs(root, programs)
        for script in glob.glob(os.path.join(HERE, "guest", "*.sh")):
            shutil.copy(script, os.path.join(root, "tests"))
        shutil.copy(os.path.join(HERE, "guest", "init"), os.path.join(root, "init"))
        os.chmod(os.path.join(root, "init"), 0o755)
        image = os.path.join(work, "initramfs.cpio")
        write_cpio(root, image)
        return image
    finally:
        shutil.rmtree(root, ignore_errors=True)


FONTS_CONF = """<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig><dir>/usr/share/fonts</dir><cachedir>/tmp/fontconfig</cachedir></fontconfig>
"""


def build_desktop_image(work, base, program):
    """initramfs-desktop.cpio: the base image followed by a second archive (the kernel unpacks
    both) with the Qt program, Qt's offscreen platform plugin, their libraries and a font."""
    plugins = glob.glob("/usr/lib/*/qt6/plugins/platforms/libqoffscreen.so")
    if len(plugins) != 1:
        raise RigError("Qt's offscreen platform plugin not found")
    root = tempfile.mkdtemp(prefix="desktop-", dir=work)
    try:
        add_programs(root, [program])
        copy_into(root, plugins[0])
        for library in shared_libraries(plugins[0]):
            copy_into(root, library)
        fonts = set()
        for pattern in ["sans", "sans:bold"]:
            fonts.add(run(["fc-match", "-f", "%{file}", pattern]).stdout.strip())
        for font in fonts:
            copy_into(root, font, "/usr/share/fonts/" + os.path.basename(font))
        os.makedirs(os.path.join(root, "etc", "fonts"))
        with open(os.path.join(root, "etc", "fonts", "fonts.conf"), "w") as f:
            f.write(FONTS_CONF)
        layer = os.path.join(work, "desktop-layer.cpio")
        write_cpio(root, layer)
        image = os.path.join(work, "initramfs-desktop.cpio")
        with open(image + ".part", "wb") as out:
            for part in [base, layer]:
                with open(part, "rb") as f:
                    shutil.copyfileobj(f, out)
        os.replace(image + ".part", image)
        os.remove(layer)
        return image
    finally:
        shutil.rmtree(root, ignore_errors=True)


def prepare(work, programs, desktop=None):
    os.makedirs(work, exist_ok=True)
    kernel = prepare_kernel(work)
    image = build_initramfs(work, kernel, programs)
    if desktop is not None:
        build_desktop_image(work, image, desktop)
    return image


# --- panel simulators ---------------------------------------------------------------------------

class Simulator:
    """zr8-panel-sim on a host pty; every line it prints is kept."""

    def __init__(self, program, link, args=()):
        self.link = link
        self.log_path = link + ".log"
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen([program, "--link", link] + list(args),
                                        stdout=self.log, stderr=subprocess.STDOUT)
        deadline = time.monotonic() + 5
        while not os.path.exists(link):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise RigError("the simulator did not make %s" % link)
            time.sleep(0.02)

    def stop(self):
        """Ends the simulator; returns what it printed."""
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()
        with open(self.log_path) as f:
            return f.read()


def frames_of(log):
    """The 11-byte frames a simulator received, in order, as upper-case hex."""
    frames = []
    for line in log.splitlines():
        if line.startswith("frame "):
            frames.append(" ".join(line.split()[1:12]).upper())
    return frames


# --- the guest ----------------------------------------------------------------------------------

class Adapter:
    def __init__(self, ident, port, simulator):
        self.ident = ident          # QEMU device id: a0, a1
        self.chardev = "c" + ident[1:]
        self.port = port            # root-hub port of the UHCI controller: 1, 2
        self.simulator = simulator

    def device(self):
        return "usb-serial,id=%s,chardev=%s,bus=usb-bus.0,port=%d" % (
            self.ident, self.chardev, self.port)


class QemuMonitor:
    """The human monitor on a unix socket: one command at a time, its answer returned."""

    def __init__(self, path):
        self.path = path
        self.sock = None

    def connect(self, deadline):
        while self.sock is None:
            try:
                sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                sock.connect(self.path)
                self.sock = sock
            except OSError:
                if time.monotonic() > deadline:
                    raise RigError("no QEMU monitor at %s" % self.path)
                time.sleep(0.05)
        self.sock.settimeout(10)
        self._until_prompt()

    def _until_prompt(self):
        data = b""
        while not data.endswith(b"(qemu) "):
            chunk = self.sock.recv(4096)
            if not chunk:
                raise RigError("the QEMU monitor closed")
            data += chunk
        return data.decode(errors="replace")

    def command(self, text):
        self.sock.sendall(text.encode() + b"\n")
        answer = self._until_prompt()
        # The monitor echoes the command; anything else it says is an error or a notice.
        lines = [line.strip() for line in answer.replace("\r", "").split("\n")]
        return [line for line in lines if line and line != "(qemu)" and text not in line
                and not line.startswith("\x1b")]

    def close(self):
        if self.sock is not None:
            self.sock.close()


class Boot:
    """One run of the guest: QEMU with the adapters, the console read and acted upon."""

    def __init__(self, work, name, adapters, modules=(), limit=240, image="initramfs.cpio"):
        self.work = work
        self.image = image
        self.name = name
        self.adapters = adapters
        self.modules = list(modules)
        self.limit = limit
        self.console = []            # lines, without carriage returns
        self.actions = []            # (command, monitor answer)
        self.errors = []
        self.finished = False
        self.seconds = None

    def run(self):
        kernel = os.path.join(self.work, "kernel", "vmlinuz")
        image = os.path.join(self.work, self.image)
        folder = tempfile.mkdtemp(prefix="qemu-", dir=self.work)
        monitor_path = os.path.join(folder, "monitor.sock")
        append = "console=ttyS0 quiet panic=-1 zr8_boot=%s zr8_adapters=%d" % (
            self.name, len(self.adapters))
        if self.modules:
            append += " zr8_modules=" + ",".join(self.modules)
        args = ["qemu-system-x86_64", "-m", "512", "-nographic", "-no-reboot",
                "-kernel", kernel, "-initrd", image, "-append", append, "-nic", "none", "-usb",
                "-monitor", "unix:%s,server,nowait" % monitor_path]
        for adapter in self.adapters:
            args += ["-chardev", "serial,id=%s,path=%s" % (adapter.chardev,
                                                         adapter.simulator.link),
                     "-device", adapter.device()]
        started = time.monotonic()
        deadline = started + self.limit
        process = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT)
        monitor = QemuMonitor(monitor_path)
        reader = threading.Thread(target=self._read_console, args=(process, monitor, deadline))
        try:
            monitor.connect(deadline)
            reader.start()
            reader.join(max(0, deadline - time.monotonic()))
            if reader.is_alive():
                self.errors.append("the guest did not finish within %d s: killed" % self.limit)
        finally:
            if process.poll() is None:
                process.kill()
            process.wait()
            if reader.ident is not None:
                reader.join(5)
            monitor.close()
            shutil.rmtree(folder, ignore_errors=True)
            self.seconds = time.monotonic() - started
            self.log_path = os.path.join(self.work, "%s.console.log" % self.name)
            with open(self.log_path, "w") as f:
                f.write("\n".join(self.console) + "\n")
                for command, answer in self.actions:
                    f.write("# monitor: %s -> %s\n" % (command, answer))
                for error in self.errors:
                    f.write("# rig: %s\n" % error)
        return self

    def _read_console(self, process, monitor, deadline):
        for raw in iter(process.stdout.readline, b""):
            line = raw.decode(errors="replace").rstrip("\r\n").replace("\r", "")
            self.console.append(line)
            if line.startswith(MARK + "action "):
                self._act(monitor, line[len(MARK + "action "):].split(), deadline)
            elif line.startswith(MARK + "boot-end"):
                self.finished = True

    def _act(self, monitor, words, deadline):
        verb, idents = words[0], words[1:]
        for ident in idents:
            adapter = next((a for a in self.adapters if a.ident == ident), None)
            if adapter is None:
                self.errors.append("action on unknown adapter %s" % ident)
                continue
            command = ("device_del " + ident) if verb == "unplug" else \
                ("device_add " + adapter.device())
            # A chardev is free again only once the unplugged device is gone: retry briefly.
            for _ in range(50):
                answer = monitor.command(command)
                if not answer or verb == "unplug" or time.monotonic() > deadline:
                    break
                time.sleep(0.1)
            self.actions.append((command, answer))
            if answer:
                self.errors.append("%s: %s" % (command, " / ".join(answer)))

    def sections(self):
        """{check name: (exit status, centiseconds, output lines)} from the console; the status is
        "hang" for a program that had to be killed."""
        found = {}
        current = None
        lines = []
        for line in self.console:
            if line.startswith(MARK + "begin "):
                current, lines = line.split()[2], []
            elif line.startswith(MARK + "end ") and current is not None:
                fields = dict(word.split("=", 1) for word in line.split()[3:] if "=" in word)
                rc = fields.get("rc", "")
                found[current] = (int(rc) if rc.lstrip("-").isdigit() else rc,
                                  int(fields.get("cs", -1)), lines)
                current = None
            elif current is not None:
                lines.append(line)
        return found

    def marks(self, kind):
        """The words after '@@@ZR8 KIND' of every such console line."""
        prefix = MARK + kind + " "
        return [line[len(prefix):].split() for line in self.console if line.startswith(prefix)]


def main(argv):
    if len(argv) >= 3 and argv[1] == "prepare":
        programs = argv[3:]
        desktop = None
        if "--desktop" in programs:
            at = programs.index("--desktop")
            desktop = programs[at + 1]
            programs = programs[:at] + programs[at + 2:]
        print(prepare(os.path.abspath(argv[2]), programs, desktop))
        return 0
    if len(argv) >= 4 and argv[1] == "boot":
        work, name = os.path.abspath(argv[2]), argv[3]
        count = int(argv[4]) if len(argv) > 4 else 1
        simulator_program = os.environ.get("ZR8_PANEL_SIM", "zr8-panel-sim")
        folder = tempfile.mkdtemp(prefix="sims-", dir=work)
        adapters = [Adapter("a%d" % i, i + 1,
                            Simulator(simulator_program, os.path.join(folder, "panel%d" % i),
                                      ["--loop", "--start-now"]))
                    for i in range(count)]
        boot = Boot(work, name, adapters, argv[5:]).run()
        print("\n".join(boot.console))
        for adapter in adapters:
            print("--- simulator %s ---\n%s" % (adapter.ident, adapter.simulator.stop()))
        print("errors: %s; %.1f s" % (boot.errors, boot.seconds))
        shutil.rmtree(folder, ignore_errors=True)
        return 0 if boot.finished and not boot.errors else 1
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except RigError as error:
        print("rig: %s" % error, file=sys.stderr)
        sys.exit(1)

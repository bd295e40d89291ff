#include "doctor/tests/SystemTree.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

SystemTree::SystemTree() : root_(folder_.path().toStdString())
{
    std::filesystem::create_directories(root_ + "/sys/class/tty");
    std::filesystem::create_directories(root_ + "/proc/self");
    AddGroup("root", 0, "");
    AddUser("root", 0, 0);
    SetSession(0, 0, {0});
}

bool SystemTree::CanMakeNodes()
{
    SystemTree probe;
    return probe.AddNode("/dev/probe", 0600, 0, 0);
}

void SystemTree::AddUser(const std::string& name, unsigned uid, unsigned gid)
{
    passwd_ += name + ":x:" + std::to_string(uid) + ":" + std::to_string(gid) + "::/home/" + name + ":/bin/bash\n";
    AddFile("/etc/passwd", passwd_);
}

void SystemTree::AddGroup(const std::string& name, unsigned gid, const std::string& members)
{
    groups_ += name + ":x:" + std::to_string(gid) + ":" + members + "\n";
    AddFile("/etc/group", groups_);
}

void SystemTree::SetSession(unsigned uid, unsigned gid, const std::vector<unsigned>& groups)
{
    std::string line;
    for (const unsigned group : groups) line += std::to_string(group) + " ";
    const std::string u = std::to_string(uid), g = std::to_string(gid);
    AddFile("/proc/self/status", "Name:\tvarnix-doctor\nUid:\t" + u + "\t" + u + "\t" + u + "\t" + u + "\nGid:\t" + g +
                                     "\t" + g + "\t" + g + "\t" + g + "\nGroups:\t" + line + "\n");
}

bool SystemTree::AddNode(const std::string& path, unsigned mode, unsigned uid, unsigned gid)
{
    struct stat pty {};
    if (!pty_.ok() || ::stat(pty_.slavePath().c_str(), &pty) != 0) return false;
    const std::string host = root_ + path;
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    return ::mknod(host.c_str(), S_IFCHR | mode, pty.st_rdev) == 0 && ::chown(host.c_str(), uid, gid) == 0 &&
           ::chmod(host.c_str(), mode) == 0;
}

std::string SystemTree::ByIdName(const Adapter& adapter)
{
    return "usb-FTDI_FT232R_USB_UART_" + adapter.serial + "-if00-port0";
}

std::string SystemTree::ByPathName(const Adapter& adapter)
{
    return "pci-0000:00:14.0-usb-0:" + adapter.usbPort.substr(2) + ":1.0-port0";
}

bool SystemTree::AddAdapter(const Adapter& a)
{
    // As the kernel lays it out: the USB device, its interface, the usb-serial
    // port, the tty class entry; /sys/class/tty/<tty> links to the last.
    const std::string usbDevice = "/sys/devices/pci0000:00/0000:00:14.0/usb1/" + a.usbPort;
    const std::string port = usbDevice + "/" + a.usbPort + ":1.0/" + a.tty;
    AddFile(usbDevice + "/idVendor", a.vendor + "\n");
    AddFile(usbDevice + "/idProduct", a.product + "\n");
    AddFile(usbDevice + "/product", "FT232R USB UART\n");
    AddFile(usbDevice + "/serial", a.serial + "\n");
    AddFile(usbDevice + "/" + a.usbPort + ":1.0/bInterfaceNumber", "00\n");
    AddFile("/sys/bus/usb-serial/drivers/" + a.driver + "/uevent", "");
    AddLink(port + "/driver", "../../../../../../../bus/usb-serial/drivers/" + a.driver);
    if (a.latencyTimer >= 0) AddFile(port + "/latency_timer", std::to_string(a.latencyTimer) + "\n");
    std::filesystem::create_directories(root_ + port + "/tty/" + a.tty);
    AddLink(port + "/tty/" + a.tty + "/device", "../../../" + a.tty);
    AddLink("/sys/class/tty/" + a.tty, "../../devices/pci0000:00/0000:00:14.0/usb1/" + a.usbPort + "/" + a.usbPort +
                                           ":1.0/" + a.tty + "/tty/" + a.tty);
    AddLink("/dev/serial/by-id/" + ByIdName(a), "../../" + a.tty);
    AddLink("/dev/serial/by-path/" + ByPathName(a), "../../" + a.tty);
    return AddNode("/dev/" + a.tty, 0660, 0, 20);
}

void SystemTree::AddProcess(unsigned pid, const std::string& comm)
{
    AddFile("/proc/" + std::to_string(pid) + "/comm", comm + "\n");
}

void SystemTree::AddFile(const std::string& path, const std::string& text)
{
    const std::string host = root_ + path;
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    std::ofstream(host, std::ios::binary | std::ios::trunc) << text;
}

void SystemTree::AddLink(const std::string& path, const std::string& target)
{
    const std::string host = root_ + path;
    std::filesystem::create_directories(std::filesystem::path(host).parent_path());
    std::error_code error;
    std::filesystem::remove(host, error);
    std::filesystem::create_symlink(target, host, error);
}

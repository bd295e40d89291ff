#pragma once

#include "platform/PtyPair.h"

#include <QTemporaryDir>

#include <string>
#include <vector>

// A system image for --root, built in a scratch folder: users and groups, the
// session's /proc/self/status, USB serial adapters as sysfs shows them (a
// stand-in: no machine here has one), /dev nodes, processes and udev rules.
//
// Device nodes are character devices made with mknod, and every one of them
// is the test's own pseudo-terminal (its device number), so that even a
// program that wrongly opened one would reach nothing of the machine's.
class SystemTree {
public:
    SystemTree();

    const std::string& Root() const { return root_; }
    // mknod needs CAP_MKNOD; without it the tests that need nodes skip.
    static bool CanMakeNodes();

    // /etc/passwd and /etc/group lines, and the session's ids.
    void AddUser(const std::string& name, unsigned uid, unsigned gid);
    void AddGroup(const std::string& name, unsigned gid, const std::string& members);
    void SetSession(unsigned uid, unsigned gid, const std::vector<unsigned>& groups);

    // A character device node at `path` ("/dev/ttyUSB0").
    bool AddNode(const std::string& path, unsigned mode, unsigned uid, unsigned gid);
    // A USB serial adapter: its sysfs device below usb port `usbPort` ("1-2"),
    // its /dev node (root:dialout 0660) and its by-id and by-path links.
    struct Adapter {
        std::string tty = "ttyUSB0";
        std::string usbPort = "1-1";
        std::string vendor = "0403", product = "6001", serial = "A10K4ZQB";
        std::string driver = "ftdi_sio";
        int latencyTimer = -1;  // no latency_timer file when negative
    };
    bool AddAdapter(const Adapter& adapter);
    // By-id name of an adapter as udev makes it.
    static std::string ByIdName(const Adapter& adapter);
    static std::string ByPathName(const Adapter& adapter);

    void AddProcess(unsigned pid, const std::string& comm);
    void AddFile(const std::string& path, const std::string& text);
    void AddLink(const std::string& path, const std::string& target);

private:
    QTemporaryDir folder_;
    std::string root_;
    PtyPair pty_;
    std::string passwd_;
    std::string groups_;
};

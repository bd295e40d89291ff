#include "doctor/DeviceAccess.h"

#include "doctor/ExampleRules.h"
#include "platform/SerialAccess.h"

void DeviceAccess::Examine(const CheckContext& context, const std::string& device, const struct stat& node,
                           Finding& finding)
{
    const UserSession& session = context.session;
    const std::string group = session.GroupName(node.st_gid);
    finding.AddFact("group", group);
    // On this machine the kernel answers, ACLs (udev's uaccess tag) included;
    // in an image only the mode bits can.
    const bool mayUse = context.image.IsThisMachine() ? SerialAccess::ProblemWith(device).empty()
                                                      : session.ModeGrantsReadWrite(node);
    finding.AddFact("access", mayUse ? "read and write" : "denied");
    if (mayUse) return;

    const std::string user = session.UserName().empty() ? "this user" : session.UserName();
    if (session.InSession(node.st_gid))
        finding.Fail(device + " belongs to group \"" + group + "\", but the group may not read and write it",
                     "ask the administrator to give the group access, or give the seat's user access with the "
                     "uaccess tag of " +
                         ExampleRules::Path() + ": " + ExampleRules::InstallCommand());
    else if (session.InGroupDatabase(node.st_gid))
        finding.Fail(user + " is in group \"" + group + "\" in the group database, but not in this login",
                     "log in again (or, for this shell only: newgrp " + group + ")");
    else
        finding.Fail(SerialAccess::PermissionHint(device, group), "sudo usermod -aG " + group + " " + user +
                                                                      ", then log in again");
}

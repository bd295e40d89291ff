#include "platform/ParallelPort.h"

#include "platform/PortMap.h"
#include "platform/PpdevParallelPort.h"
#include "platform/SocketParallelPort.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace {

std::string UpperCase(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

}  // namespace

std::unique_ptr<ParallelPort> ParallelPort::Open(std::string_view portName, std::string& error)
{
    const std::string path = PortMap::DevicePath(portName);
    const std::string intro = "Cannot open the parallel port " + UpperCase(portName);
    if (path.empty()) {
        error = intro + ": " + PortMap::NotMappedText(portName);
        return nullptr;
    }

    std::error_code status;
    if (std::filesystem::is_socket(std::filesystem::status(path, status))) {
        // The name is linked to a simulator. Connect through the resolved path: the
        // link itself may be longer than a socket address can hold.
        const std::string target = std::filesystem::canonical(path, status).string();
        auto port = std::make_unique<SocketParallelPort>();
        std::string reason;
        if (!port->Connect(status ? path : target, reason)) {
            error = intro + " (simulator at " + target + "): " + reason;
            return nullptr;
        }
        return port;
    }

    auto port = std::make_unique<PpdevParallelPort>();
    int errnum = 0;
    if (!port->Open(path, errnum)) {
        error = intro + " (" + path + "): " + PpdevParallelPort::ReasonText(errnum);
        return nullptr;
    }
    return port;
}

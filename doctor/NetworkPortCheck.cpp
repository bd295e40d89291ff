#include "doctor/NetworkPortCheck.h"

#include "platform/PortMap.h"
#include "platform/Rfc2217CommDevice.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <system_error>

void NetworkPortCheck::Run(const CheckContext& context, Report& report)
{
    std::vector<std::pair<std::string, std::string>> ports;  // name, address
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(PortMap::FolderPath(), error)) {
        std::error_code linkError;
        const std::string target = std::filesystem::read_symlink(entry.path(), linkError).string();
        if (!linkError && Rfc2217CommDevice::NamesNetworkPort(target))
            ports.emplace_back(entry.path().filename().string(), target);
    }
    std::sort(ports.begin(), ports.end());
    for (const auto& [port, address] : ports) {
        if (!context.network) {
            report.Add("network-port", port,
                       port + " -> " + address + ": network port, not tried (--network connects to it, "
                                                 "and the port server then opens its device)")
                .AddFact("address", address);
            continue;
        }
        Rfc2217CommDevice line;
        const auto start = std::chrono::steady_clock::now();
        const bool opened = line.Open(address);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        line.Close();
        if (opened) {
            Finding& finding = report.Add("network-port", port,
                                          port + " -> " + address + ": connected and negotiated RFC 2217 in " +
                                              std::to_string(took) + " ms");
            finding.AddFact("address", address);
            finding.AddFact("milliseconds", std::to_string(took));
            continue;
        }
        Finding& finding = report.Add("network-port", port, port + " -> " + address + ": cannot be used");
        finding.AddFact("address", address);
        finding.Fail(address + ": " + line.LastError(),
                     "check that the port server runs and serves the port with telnet(rfc2217) "
                     "(docs/network-ports.md), or correct the link: ln -sfn rfc2217://HOST:PORT " +
                         PortMap::LinkPath(port));
    }
}

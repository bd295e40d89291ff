#include "platform/Ser2netServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// A port on 127.0.0.1 that nobody uses now.
std::uint16_t FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    std::uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

}  // namespace

std::string Ser2netServer::Program()
{
    std::vector<std::string> folders;
    if (const char* path = std::getenv("PATH")) {
        std::stringstream list(path);
        for (std::string folder; std::getline(list, folder, ':');) folders.push_back(folder);
    }
    folders.push_back("/usr/sbin");
    for (const std::string& folder : folders) {
        const std::string candidate = folder + "/ser2net";
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::string Ser2netServer::Configuration(const std::string& device, std::uint16_t port)
{
    return "connection: &board\n"
           "  accepter: telnet(rfc2217),tcp(nodelay),127.0.0.1," +
           std::to_string(port) + "\n"
                                  "  connector: serialdev," +
           device + ",38400n81,local\n"
                    "  options:\n"
                    "    max-connections: 1\n"
                    "    kickolduser: false\n"
                    "    chardelay: false\n"
                    "    mdns: false\n";
}

Ser2netServer::Ser2netServer(std::string device, std::string folder)
    : device_(std::move(device)), folder_(std::move(folder))
{
}

Ser2netServer::~Ser2netServer()
{
    Kill();
}

std::string Ser2netServer::Address() const
{
    return "rfc2217://127.0.0.1:" + std::to_string(port_);
}

bool Ser2netServer::Start()
{
    if (pid_ > 0) return true;
    const std::string program = Program();
    if (program.empty()) return false;
    if (port_ == 0) port_ = FreePort();
    const std::string config = folder_ + "/ser2net.yaml";
    std::ofstream(config) << Configuration(device_, port_);

    // -n: stay in the foreground; -u: no UUCP lock files (they need root); -P: a pid
    // file of its own instead of the system's.
    std::vector<std::string> arguments = {program, "-n", "-u", "-c", config, "-P", folder_ + "/ser2net.pid"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string log = folder_ + "/ser2net.log";
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        pid_ = -1;
        return false;
    }
    // Listening is looked up rather than tried: a trial connection would open the device.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Listening()) {
        int status = 0;
        if (std::chrono::steady_clock::now() > deadline || ::waitpid(pid_, &status, WNOHANG) == pid_) {
            Kill();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void Ser2netServer::Kill()
{
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

// Whether /proc/net/tcp lists 127.0.0.1:port in state LISTEN (0A).
bool Ser2netServer::Listening() const
{
    char local[32];
    std::snprintf(local, sizeof local, "0100007F:%04X", port_);
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // the heading
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, localAddress, remoteAddress, state;
        fields >> slot >> localAddress >> remoteAddress >> state;
        if (localAddress == local && state == "0A") return true;
    }
    return false;
}

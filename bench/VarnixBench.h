#pragma once

#include "bench/BenchHome.h"
#include "bench/BenchImage.h"

#include "automation/dbus/AutomationError.h"
#include "automation/dbus/ClassesRoot.h"
#include "automation/dbus/DispatchDriver.h"
#include "automation/dbus/PrivateSessionBus.h"
#include "monitor/boards/Ez2181.h"
#include "platform/PortMap.h"
#include "platform/PtyPair.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// The setting of a benchmark that programs simulated 2181 boards (`Board`, a BenchBoard)
// through the varnix of its build folder: a home of its own (port map, classes, bus
// services) with varnix registered, `N` boards on com1, com2, ..., the image file, a
// private session bus (this process's session bus as well) and a client that holds a
// board object on com9, so that one server serves every run.
template <typename Board, std::size_t N>
class VarnixBench {
public:
    // Sets everything up, each board's line paced at `baud`, with an image of `kib`
    // kibibytes; `portId` is the dispatch identifier of the board object's Port. False,
    // having said why, when a step fails.
    bool Start(long kib, std::uint32_t baud, std::int32_t portId)
    {
        if (!ClassesRoot().Register({Ez2181::kClassId, Ez2181::kProgId, Ez2181::kProgId, VARNIX_PATH})) {
            std::printf("cannot register varnix\n");
            return false;
        }
        for (std::size_t i = 0; i < N; ++i) {
            Board& board = boards_[i];
            board.simulator.SetRecording(false);
            board.port = "com" + std::to_string(i + 1);
            board.server = std::make_unique<PtyLineServer>(board.simulator, board.pty.masterFd(), baud);
            if (!board.pty.ok() || !PortMap::Link(board.port, board.pty.slavePath()) || !board.server->Start()) {
                std::printf("cannot start the simulated board on %s\n", board.port.c_str());
                return false;
            }
        }
        image_ = BenchImage::PatternBytes(static_cast<std::size_t>(kib) * 1024);
        file_ = home_.FilePath(QStringLiteral("image.bnm")).toStdString();
        if (!BenchImage::Write(home_.Path().toStdString(), image_, file_)) {
            std::printf("srec_cat could not write the image\n");
            return false;
        }
        bus_ = std::make_unique<PrivateSessionBus>(home_.Services());
        if (!bus_->IsRunning()) {
            std::printf("%s\n", qPrintable(bus_->Error()));
            return false;
        }
        bus_->ExportAsSessionBus();
        PortMap::Link("com9", spare_.slavePath());
        keeper_ = std::make_unique<DispatchDriver>(
            QDBusConnection::connectToBus(bus_->Address(), QStringLiteral("bench-keeper")));
        try {
            keeper_->Create(Ez2181::kProgId);
            keeper_->Put(portId, Variant::Bstr("com9"));
        } catch (const AutomationError& e) {
            std::printf("no server: %s\n", e.what());
            return false;
        }
        return true;
    }

    // Whether every board's flash holds the image; names the first that does not.
    bool FlashesHoldTheImage() const
    {
        for (const Board& board : boards_) {
            if (board.simulator.FlashBytes(0, image_.size()) != image_) {
                std::printf("%s: the flash does not hold the image\n", board.port.c_str());
                return false;
            }
        }
        return true;
    }

    // Lets the server end once the benchmark's own clients have gone.
    void Release() { keeper_->Release(); }

    QString BusAddress() const { return bus_->Address(); }
    const std::string& File() const { return file_; }
    std::array<Board, N>& Boards() { return boards_; }

private:
    BenchHome home_;
    std::array<Board, N> boards_;
    std::vector<std::uint8_t> image_;
    std::string file_;
    std::unique_ptr<PrivateSessionBus> bus_;
    PtyPair spare_;
    std::unique_ptr<DispatchDriver> keeper_;
};

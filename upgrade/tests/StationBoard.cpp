#include "upgrade/tests/StationBoard.h"

#include <chrono>

StationBoard::StationBoard(const std::string& port)
{
    board_.SetRecording(false);
    started_ = line_.Start(port);
    greeter_ = std::thread([this] {
        int tick = 0;
        while (!stop_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (++tick % 10 == 0 && greeting_ && !board_.PowerOnAcknowledged()) board_.SendPowerOnFrame();
        }
    });
}

StationBoard::~StationBoard()
{
    stop_ = true;
    greeter_.join();
    line_.Stop();
}

void StationBoard::SwitchOn()
{
    board_.PowerUp();
    greeting_ = true;
}

#include "upgrade/StationSlot.h"

#include "upgrade/BatchRun.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/PrefixedLines.h"
#include "upgrade/StationRun.h"

#include <QDBusConnection>
#include <QThread>

const char* StationSlot::StateText(State state)
{
    switch (state) {
    case State::Waiting: return "waiting for a board";
    case State::Programming: return "programming";
    case State::Verifying: return "verifying";
    case State::Passed: return "passed";
    case State::Failed: return "failed";
    case State::Stopping: return "stopping";
    case State::Stopped: return "stopped";
    }
    return "";
}

StationSlot::StationSlot(std::string port, int index) : index_(index)
{
    view.port = std::move(port);
}

void StationSlot::Run(StationRun& station)
{
    const QString name = QStringLiteral("pellori-slot-%1").arg(index_);
    {
        // A connection of this thread's own: a connection is used by one thread only.
        const QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        PrefixedLines out(station.Out(), station.OutputLock(), view.port + ": ");
        PrefixedLines err(station.Err(), station.OutputLock(), view.port + ": ");
        Ez2181Driver driver(bus);
        BatchOptions steps = station.Options();
        steps.powerOn = true;
        steps.verifyFile = steps.programFile;
        while (station.KeepWaiting()) {
            BatchRun run(driver, out.stream(), err.stream(), view.port);
            run.SetWatch({[&](const std::string& step) { station.StepStarted(*this, step); },
                          [&](const BoardRecord::Step& step) { station.StepEnded(*this, step); },
                          [&](std::uint64_t done, std::uint64_t total) { station.Progress(*this, done, total); },
                          [&] { return station.KeepWaiting(); }, [&] { return station.TakeBoard(*this); }});
            const int status = run.Run(steps);
            if (status == BatchRun::kStopped) break;
            if (!station.FinishBoard(*this, status == BatchRun::kSuccess, run.FailureText(), run.FailureCode())) {
                // No board came (a pulled cable, no server): try again in a while.
                for (int i = 0; i < 20 && station.KeepWaiting(); ++i) QThread::msleep(100);
            }
        }
    }
    QDBusConnection::disconnectFromBus(name);
    station.SlotEnded(*this);
}

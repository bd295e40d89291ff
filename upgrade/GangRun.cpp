#include "upgrade/GangRun.h"

#include "automation/dbus/AutomationError.h"

#include "upgrade/BatchRun.h"
#include "upgrade/Ez2181Driver.h"
#include "upgrade/PrefixedLines.h"

#include <QDBusConnection>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <ostream>

namespace {

// One line of the table; the error text on the same line, whatever breaks it had.
std::string OneLine(const std::string& text)
{
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        line += text[i] == '\n' || text[i] == '\r' ? ' ' : text[i];
    }
    return line;
}

std::string Padded(std::string text, std::size_t width)
{
    text.resize(std::max(text.size(), width), ' ');
    return text;
}

}  // namespace

GangRun::GangRun(std::ostream& out, std::ostream& err, RecordLog* log) : out_(out), err_(err), log_(log)
{
}

int GangRun::Run(const BatchOptions& options)
{
    std::vector<Outcome> outcomes(options.ports.size());
    std::vector<std::unique_ptr<QThread>> threads;
    for (std::size_t i = 0; i < options.ports.size(); ++i) {
        threads.emplace_back(QThread::create([this, &options, &outcomes, i] {
            outcomes[i] = RunBoard(options, options.ports[i], static_cast<int>(i));
        }));
        threads.back()->start();
    }
    for (const auto& thread : threads) thread->wait();

    out_ << '\n'
         << Table(outcomes) << std::flush;
    int worst = BatchRun::kSuccess;
    for (const Outcome& outcome : outcomes) worst = std::max(worst, outcome.status);
    return worst;
}

GangRun::Outcome GangRun::RunBoard(const BatchOptions& options, const std::string& port, int index)
{
    const auto start = std::chrono::steady_clock::now();
    Outcome outcome{port, BatchRun::kNoSessionBus, AutomationError::Text(CO_E_NOTINITIALIZED)};
    // A connection of this thread's own: a connection is used by one thread only.
    const QString name = QStringLiteral("pellori-board-%1").arg(index);
    {
        const QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        if (bus.isConnected()) {
            PrefixedLines out(out_, lock_, port + ": ");
            PrefixedLines err(err_, lock_, port + ": ");
            Ez2181Driver driver(bus);
            BatchRun run(driver, out.stream(), err.stream(), port);
            outcome.status = log_ ? run.RunAndRecord(options, *log_) : run.Run(options);
            outcome.failure = run.FailureText();
        } else {
            const std::lock_guard<std::mutex> hold(lock_);
            err_ << port << ": pellori: " << outcome.failure << '\n'
                 << std::flush;
        }
    }
    QDBusConnection::disconnectFromBus(name);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return outcome;
}

std::string GangRun::Table(const std::vector<Outcome>& outcomes)
{
    std::size_t portWidth = 4;
    std::size_t resultWidth = 6;
    for (const Outcome& outcome : outcomes) {
        portWidth = std::max(portWidth, outcome.port.size());
        resultWidth = std::max(resultWidth, ResultText(outcome.status).size());
    }
    std::string table = Padded("Port", portWidth) + "  " + Padded("Result", resultWidth) + "       Time  Error\n";
    for (const Outcome& outcome : outcomes) {
        char time[32];
        std::snprintf(time, sizeof time, "%7.1f s", outcome.seconds);
        std::string line = Padded(outcome.port, portWidth) + "  " + Padded(ResultText(outcome.status), resultWidth) + "  " +
                           time + "  " + OneLine(outcome.failure);
        line.erase(line.find_last_not_of(' ') + 1);
        table += line + '\n';
    }
    return table;
}

std::string GangRun::ResultText(int status)
{
    switch (status) {
    case BatchRun::kSuccess: return "ok";
    case BatchRun::kPowerOnFailed: return "power-on failed";
    case BatchRun::kProgrammingFailed: return "programming failed";
    case BatchRun::kVerifyFailed: return "verification failed";
    case BatchRun::kBaudFailed: return "line rate not set";
    case BatchRun::kNoServerObject: return "no server object";
    case BatchRun::kNoSessionBus: return "no session bus";
    default: return "status " + std::to_string(status);
    }
}

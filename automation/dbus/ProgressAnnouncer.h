#pragma once

#include <QDBusMessage>
#include <QString>

#include <cstdint>
#include <functional>

// Makes the progress reports of one call for the client that made it: the signal
//   org.varnix.Automation.Dispatch.Progress (t done, t total)
// from the object's path, addressed to the client's unique name only. At
// most one signal per whole percent: the first report and each report whose
// percent differs from the last one sent (100 means complete).
//
// It runs in the thread of the call and touches no bus connection: each signal
// goes to `send`, which hands it to the thread that owns the connection.
class ProgressAnnouncer {
public:
    static inline const QString kSignalName = QStringLiteral("Progress");

    using Send = std::function<void(const QDBusMessage& signal)>;

    ProgressAnnouncer(QString objectPath, QString client, Send send);

    void Announce(std::uint64_t done, std::uint64_t total);

private:
    QString objectPath_;
    QString client_;
    Send send_;
    int lastPercent_ = -1;
};

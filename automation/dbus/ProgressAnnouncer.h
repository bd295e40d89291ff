#pragma once

#include <QDBusConnection>
#include <QString>

#include <cstdint>

// Sends the progress of one call to the client that made it: the signal
//   org.varnix.Automation.Dispatch.Progress (t done, t total)
// from the object's path, addressed to the client's unique name only. At
// most one signal per whole percent: the first report and each report whose
// percent differs from the last one sent (100 means complete).
class ProgressAnnouncer {
public:
    static inline const QString kSignalName = QStringLiteral("Progress");

    ProgressAnnouncer(QDBusConnection bus, QString objectPath, QString client);

    void Announce(std::uint64_t done, std::uint64_t total);

private:
    QDBusConnection bus_;
    QString objectPath_;
    QString client_;
    int lastPercent_ = -1;
};

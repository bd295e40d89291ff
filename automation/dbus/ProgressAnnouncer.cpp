#include "automation/dbus/ProgressAnnouncer.h"

#include "automation/dbus/BusNames.h"
#include "automation/dbus/ProgressLine.h"

ProgressAnnouncer::ProgressAnnouncer(QString objectPath, QString client, Send send)
    : objectPath_(std::move(objectPath)), client_(std::move(client)), send_(std::move(send))
{
}

void ProgressAnnouncer::Announce(std::uint64_t done, std::uint64_t total)
{
    const int percent = ProgressLine::Percent(done, total);
    // 100 stands for completion only, so completion is always sent once.
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    QDBusMessage signal = QDBusMessage::createTargetedSignal(client_, objectPath_, BusNames::kDispatchInterface, kSignalName);
    signal << QVariant::fromValue(static_cast<qulonglong>(done)) << QVariant::fromValue(static_cast<qulonglong>(total));
    send_(signal);
}

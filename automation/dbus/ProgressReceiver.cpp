#include "automation/dbus/ProgressReceiver.h"

void ProgressReceiver::OnProgress(qulonglong done, qulonglong total)
{
    lastHeard_.store(std::chrono::steady_clock::now().time_since_epoch().count());
    if (handler_) handler_(done, total);
}

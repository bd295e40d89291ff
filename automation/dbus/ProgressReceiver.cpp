#include "automation/dbus/ProgressReceiver.h"

void ProgressReceiver::OnProgress(qulonglong done, qulonglong total)
{
    if (handler_) handler_(done, total);
}

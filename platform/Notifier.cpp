#include "platform/Notifier.h"

#include "platform/StderrNotifier.h"

namespace {

Notifier* installed = nullptr;

}  // namespace

Notifier& Notifier::Current()
{
    static StderrNotifier standardError;
    return installed != nullptr ? *installed : standardError;
}

void Notifier::SetCurrent(Notifier* notifier)
{
    installed = notifier;
}

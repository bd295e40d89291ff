#include "upgrade/CPelloriDlgAutoProxy.h"

#include "upgrade/CPelloriDlg.h"

CPelloriDlgAutoProxy::CPelloriDlgAutoProxy(CPelloriDlg* dialog, ApplicationLock& lock) : dialog_(dialog), lock_(lock)
{
    if (dialog_) dialog_->SetAutomationProxy(this);
}

CPelloriDlgAutoProxy::~CPelloriDlgAutoProxy()
{
    if (dialog_ && dialog_->AutomationProxy() == this) dialog_->SetAutomationProxy(nullptr);
}

const DispatchMap& CPelloriDlgAutoProxy::Map()
{
    static const DispatchMap map = DispatchMap::Builder<CPelloriDlgAutoProxy>().Build();
    return map;
}

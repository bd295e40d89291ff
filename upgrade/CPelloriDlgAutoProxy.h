#pragma once

#include "automation/core/ApplicationLock.h"
#include "automation/core/Dispatchable.h"

class CPelloriDlg;

// The program's own automation object, "Pellori.Application". It has no
// members: a client holds it to keep the program running. While it lives it
// holds a lock on the program and makes closing the dialog only hide it;
// when the last client lets go, the lock goes, and a program started for the
// client ends.
class CPelloriDlgAutoProxy : public Dispatchable {
public:
    static constexpr const char* kProgId = "Pellori.Application";
    static constexpr const char* kClassId = "{6F1D2A40-8C37-4B95-A2E4-5D70C3B19E21}";

    // Takes `dialog` (the program's main window, or none) as its dialog.
    explicit CPelloriDlgAutoProxy(CPelloriDlg* dialog, ApplicationLock& lock = ApplicationLock::Process());
    ~CPelloriDlgAutoProxy() override;

    static const DispatchMap& Map();
    const DispatchMap& GetDispatchMap() const override { return Map(); }

    CPelloriDlg* Dialog() const { return dialog_; }
    // The dialog is going away first.
    void DetachDialog() { dialog_ = nullptr; }

private:
    CPelloriDlg* dialog_;
    // Released after the destructor has cleared the dialog's reference to this proxy.
    ApplicationLock::Holder lock_;
};

#pragma once

#include "automation/core/Dispatchable.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>

#include <atomic>
#include <deque>
#include <functional>
#include <memory>

// One object a server has handed out, on the bus at its own path. It lives on
// a thread of its own, and the bus delivers its calls straight to that thread:
// its calls run one at a time in order of arrival and are answered from there,
// while other objects' calls run at the same time on theirs. Only a Release
// goes on to the server's thread (`release`), which takes the object off the
// bus and destroys it; calls that come after the Release find no object.
class ServedObject : public QDBusVirtualObject {
    Q_OBJECT

public:
    using ReleaseRequest = std::function<void(const QDBusMessage& release)>;

    ServedObject(QDBusConnection bus, QString path, QString owner, std::shared_ptr<Dispatchable> target,
                 ReleaseRequest release);
    ~ServedObject() override;

    const QString& Path() const { return path_; }
    const QString& Owner() const { return owner_; }

    // From now on every call is answered as one of an object that is gone.
    void MarkReleased() { released_ = true; }

    // QDBusVirtualObject: called on the object's thread.
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

private:
    void Serve(const QDBusMessage& message);
    void Invoke(const QDBusMessage& message);
    void ReplyToInvoke(const QDBusMessage& message, InvokeResult outcome);
    void GetIDsOfNames(const QDBusMessage& message);
    void WatchProgress(const QDBusMessage& message);
    void Reply(const QDBusMessage& reply);

    QDBusConnection bus_;
    QString path_;
    QString owner_;
    std::shared_ptr<Dispatchable> target_;
    ReleaseRequest release_;
    // Its owner asked for the Progress signal during its calls.
    bool wantsProgress_ = false;
    std::atomic<bool> released_{false};
    // A member that runs a nested event loop must not have the object's next
    // call start inside it: calls that arrive meanwhile wait their turn here.
    std::deque<QDBusMessage> waiting_;
    bool serving_ = false;
};

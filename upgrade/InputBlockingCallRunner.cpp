#include "upgrade/InputBlockingCallRunner.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include <exception>
#include <thread>

namespace {

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Close:
        return true;
    default:
        return false;
    }
}

}  // namespace

InputBlockingCallRunner::InputBlockingCallRunner(QObject* parent) : QObject(parent)
{
}

void InputBlockingCallRunner::Run(const std::function<void()>& call)
{
    QEventLoop loop;
    std::exception_ptr failure;
    running_ = true;
    QCoreApplication::instance()->installEventFilter(this);
    std::thread worker([&] {
        try {
            call();
        } catch (...) {
            failure = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // A timer, not a posted call: events posted from inside a posted call wait
    // until it returns, and the watcher wants to see repaints happen.
    if (onWaiting_) QTimer::singleShot(1, &loop, onWaiting_);
    loop.exec();
    worker.join();
    QCoreApplication::instance()->removeEventFilter(this);
    running_ = false;
    if (failure) std::rethrow_exception(failure);
}

bool InputBlockingCallRunner::eventFilter(QObject* watched, QEvent* event)
{
    if (running_ && IsUserInput(event->type())) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

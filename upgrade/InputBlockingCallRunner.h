#pragma once

#include <QObject>

#include <functional>

// Runs one blocking server call so that the program's windows are repainted
// while it lasts but act on no user input: the call runs on a thread of its
// own while this thread runs an event loop that drops mouse, keyboard and
// close events (they are thrown away, not kept for later). Incoming bus calls
// go on being served. An exception of the call is thrown again here.
class InputBlockingCallRunner : public QObject {
    Q_OBJECT

public:
    explicit InputBlockingCallRunner(QObject* parent = nullptr);

    void Run(const std::function<void()>& call);
    bool Running() const { return running_; }

    // Tests watch the wait through this: called once the loop has started.
    void SetOnWaiting(std::function<void()> onWaiting) { onWaiting_ = std::move(onWaiting); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool running_ = false;
    std::function<void()> onWaiting_;
};

#pragma once

#include <QObject>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>

// Receives the Progress signal of one automation object (see
// ProgressAnnouncer) in the thread it lives in and hands it to a function.
// It also notes when the last report came, which any thread may read: a call
// that reports progress is alive while they keep coming.
class ProgressReceiver : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(std::uint64_t done, std::uint64_t total)>;

    explicit ProgressReceiver(Handler handler) : handler_(std::move(handler)) {}

    // When the last report arrived; the clock's epoch before the first one.
    std::chrono::steady_clock::time_point LastHeard() const
    {
        return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(lastHeard_.load()));
    }

public slots:
    void OnProgress(qulonglong done, qulonglong total);

private:
    Handler handler_;
    std::atomic<std::chrono::steady_clock::rep> lastHeard_{0};
};

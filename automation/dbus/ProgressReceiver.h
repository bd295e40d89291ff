#pragma once

#include <QObject>

#include <cstdint>
#include <functional>

// Receives the Progress signal of one automation object (see
// ProgressAnnouncer) in the thread it lives in and hands it to a function.
class ProgressReceiver : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void(std::uint64_t done, std::uint64_t total)>;

    explicit ProgressReceiver(Handler handler) : handler_(std::move(handler)) {}

public slots:
    void OnProgress(qulonglong done, qulonglong total);

private:
    Handler handler_;
};

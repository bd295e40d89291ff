#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

// Counts the locks that live objects hold on the running program. A program
// started for a client ends when the count drops back to zero: it sets a
// callback for that moment.
class ApplicationLock {
public:
    ApplicationLock() = default;
    ApplicationLock(const ApplicationLock&) = delete;
    ApplicationLock& operator=(const ApplicationLock&) = delete;

    // The one count of this program, used by every creatable object.
    static ApplicationLock& Process();

    void Lock();
    // Drops one lock; calls the callback when that was the last one. An
    // unlock without a lock changes nothing and calls nothing.
    void Unlock();
    std::int32_t count() const { return count_.load(); }

    // Called (on the thread of the last Unlock) each time the count drops to zero.
    void SetOnLastUnlock(std::function<void()> callback);

    // Holds one lock from construction to destruction; a member of every
    // creatable object.
    class Holder {
    public:
        explicit Holder(ApplicationLock& lock = Process());
        Holder(const Holder&) = delete;
        Holder& operator=(const Holder&) = delete;
        ~Holder();

    private:
        ApplicationLock& lock_;
    };

private:
    std::atomic<std::int32_t> count_{0};
    std::function<void()> onLastUnlock_;
};

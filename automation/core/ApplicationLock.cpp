#include "automation/core/ApplicationLock.h"

ApplicationLock& ApplicationLock::Process()
{
    static ApplicationLock lock;
    return lock;
}

void ApplicationLock::Lock()
{
    ++count_;
}

void ApplicationLock::Unlock()
{
    std::int32_t current = count_.load();
    do {
        if (current <= 0)
            return;
    } while (!count_.compare_exchange_weak(current, current - 1));
    if (current == 1 && onLastUnlock_)
        onLastUnlock_();
}

void ApplicationLock::SetOnLastUnlock(std::function<void()> callback)
{
    onLastUnlock_ = std::move(callback);
}

ApplicationLock::Holder::Holder(ApplicationLock& lock) : lock_(lock)
{
    lock_.Lock();
}

ApplicationLock::Holder::~Holder()
{
    lock_.Unlock();
}

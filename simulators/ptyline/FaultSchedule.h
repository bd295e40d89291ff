#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

// The faults a simulated device has been asked to inject, each due at a given
// request counted from the moment it was injected (1 = the next), and the
// silence they leave behind. Fault is a struct with `kind`, `request` and
// `value` members, and `silence` the kind that makes the device stop
// answering: for `value` requests in a row, or until Clear() without a value.
// Not thread-safe: the device guards it with its own lock.
template <class Fault>
class FaultSchedule {
public:
    explicit FaultSchedule(decltype(Fault::kind) silence) : silence_(silence) {}

    void Add(const Fault& fault) { pending_.push_back({fault, std::max(fault.request, 1u)}); }

    void Clear()
    {
        pending_.clear();
        silentRequests_ = 0;
        hung_ = false;
    }

    // The device starts answering again; faults not yet due stay pending.
    void EndSilence()
    {
        silentRequests_ = 0;
        hung_ = false;
    }

    bool Silent() const { return hung_ || silentRequests_ > 0; }
    std::size_t PendingCount() const { return pending_.size(); }

    // Called once for each request the device takes in: the faults due for
    // it. `silent` tells whether the device answers it at all.
    std::vector<Fault> Next(bool& silent)
    {
        std::vector<Fault> due;
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (--it->requestsToGo == 0) {
                due.push_back(it->fault);
                it = pending_.erase(it);
            } else {
                ++it;
            }
        }
        silent = hung_;
        if (silentRequests_ > 0) {
            --silentRequests_;
            silent = true;
        }
        for (const Fault& fault : due) {
            if (fault.kind != silence_)
                continue;
            if (fault.value)
                silentRequests_ = *fault.value > 0 ? *fault.value - 1 : 0;
            else
                hung_ = true;
            silent = true;
        }
        return due;
    }

private:
    struct Pending {
        Fault fault;
        unsigned requestsToGo;
    };

    decltype(Fault::kind) silence_;
    std::vector<Pending> pending_;
    unsigned silentRequests_ = 0;
    bool hung_ = false;
};

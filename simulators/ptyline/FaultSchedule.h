#pragma once

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

// The faults a simulated device has been asked to inject, in two sorts:
//  - request faults (Add), each due at a given request counted from the moment it was
//    injected (1 = the next), and the silence they leave behind. Fault is a struct with
//    `kind`, `request` and `value` members, and `silence` the kind that makes the device
//    stop answering: for `value` requests in a row, or until Clear() without a value.
//    The device calls Next() once for each request it takes in.
//  - standing faults (AddStanding), which strike at the occasions of their own kind that
//    the device asks about (Strikes), a given number of times or until cleared, each strike
//    after a given number of occasions has passed; Find() shows one without using it.
// Not thread-safe: the device guards it with its own lock.
template <class Fault>
class FaultSchedule {
public:
    using Kind = decltype(Fault::kind);

    FaultSchedule() = default;
    explicit FaultSchedule(Kind silence) : silence_(silence) {}

    void Add(const Fault& fault) { pending_.push_back({fault, std::max(fault.request, 1u)}); }

    // `times` strikes (0: every occasion until cleared), `skip` occasions going by before each.
    void AddStanding(const Fault& fault, unsigned times = 0, unsigned skip = 0)
    {
        pending_.push_back({fault, 0, true, times, skip});
    }

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

    // Called once for each request the device takes in: the request faults due for
    // it. `silent` tells whether the device answers it at all.
    std::vector<Fault> Next(bool& silent)
    {
        std::vector<Fault> due;
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (!it->standing && --it->requestsToGo == 0) {
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

    // An occasion for standing faults of `kind`: true when one strikes at it, which uses
    // one of its times; the others of that kind count the occasion as one gone by.
    bool Strikes(Kind kind)
    {
        bool struck = false;
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (!it->standing || it->fault.kind != kind) {
                ++it;
            } else if (it->skipped < it->skip) {
                ++it->skipped;
                ++it;
            } else if (!struck) {
                struck = true;
                it->skipped = 0;
                if (it->timesLeft != 0 && --it->timesLeft == 0)
                    it = pending_.erase(it);
                else
                    ++it;
            } else {
                ++it;
            }
        }
        return struck;
    }

    // The first standing fault of `kind` with strikes left, without using it.
    const Fault* Find(Kind kind) const
    {
        for (const Pending& p : pending_)
            if (p.standing && p.fault.kind == kind)
                return &p.fault;
        return nullptr;
    }

private:
    struct Pending {
        Fault fault;
        unsigned requestsToGo;
        bool standing = false;
        unsigned timesLeft = 0;  // standing: 0 = without end
        unsigned skip = 0;
        unsigned skipped = 0;
    };

    std::optional<Kind> silence_;
    std::vector<Pending> pending_;
    unsigned silentRequests_ = 0;
    bool hung_ = false;
};

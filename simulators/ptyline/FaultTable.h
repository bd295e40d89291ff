#pragma once

#include "simulators/ptyline/FaultRequest.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a fault kind's --fault text may carry after "=".
enum class FaultValue { None,
                        Optional,
                        Required };

// How a program words a --fault it cannot take.
enum class FaultWording {
    BadOrUnknown,   // "bad fault TEXT" for a wrong form, "unknown fault KIND" for a wrong kind
    UnknownQuoted,  // "unknown fault \"TEXT\""
    NotAFault,      // "not a fault: TEXT"
};

// The fault kinds of a simulator program by the names its --fault option takes, and which
// parts of the form "KIND[@N][*TIMES][+SKIP][=VALUE]" (FaultRequest) each takes.
template <class Kind>
class FaultTable {
public:
    struct Row {
        std::string_view name;
        Kind kind;
        FaultValue value = FaultValue::Optional;
        std::uint32_t maxValue = 0xFFFFFFFFu;
        std::optional<std::uint32_t> defaultValue = std::nullopt;
        bool skips = false;  // takes +SKIP
    };
    // What the program's faults take besides their kind and value.
    struct Form {
        bool requests = true;  // @N
        bool times = false;    // *TIMES
        unsigned maxRequest = 1'000'000;
        FaultWording wording = FaultWording::BadOrUnknown;
    };
    // A fault as the table reads it; a value left out has its kind's default.
    struct Fault {
        Kind kind;
        unsigned request = 1;
        std::optional<std::uint32_t> value;
        unsigned times = 1;
        unsigned skip = 0;
    };

    FaultTable(std::initializer_list<Row> rows, Form form = {}) : rows_(rows), form_(form) {}

    // The fault `text` names; nullopt with `mistake` set, worded as the program words it.
    std::optional<Fault> Read(const std::string& text, std::string& mistake) const
    {
        const std::optional<FaultRequest> request = FaultRequest::Parse(text);
        if (request)
            if (const std::optional<Fault> fault = Read(*request))
                return fault;
        switch (form_.wording) {
        case FaultWording::BadOrUnknown:
            mistake = request && Find(request->kind) == nullptr ? "unknown fault " + request->kind
                                                                : "bad fault " + text;
            break;
        case FaultWording::UnknownQuoted:
            mistake = "unknown fault \"" + text + "\"";
            break;
        case FaultWording::NotAFault:
            mistake = "not a fault: " + text;
            break;
        }
        return std::nullopt;
    }

    // The fault `request` names; nullopt when the table does not take it.
    std::optional<Fault> Read(const FaultRequest& request) const
    {
        const Row* row = Find(request.kind);
        if (row == nullptr || !Takes(request, *row))
            return std::nullopt;
        return Fault{row->kind, request.request, request.value ? request.value : row->defaultValue,
                     request.times.value_or(1), request.skip.value_or(0)};
    }

    // The faults of a command line that MistakeIn() has checked.
    std::vector<Fault> ReadAll(const std::vector<FaultRequest>& requests) const
    {
        std::vector<Fault> faults;
        for (const FaultRequest& request : requests)
            faults.push_back(*Read(request));
        return faults;
    }

    // Empty when the table takes `text`, else the mistake.
    std::string Mistake(const std::string& text) const
    {
        std::string mistake;
        Read(text, mistake);
        return mistake;
    }

    // Mistake() of a table that outlives the command line, as SimCommandLine::Rules takes it.
    std::function<std::string(const std::string&)> MistakeIn() const
    {
        return [this](const std::string& text) { return Mistake(text); };
    }

private:
    const Row* Find(std::string_view name) const
    {
        for (const Row& row : rows_)
            if (row.name == name)
                return &row;
        return nullptr;
    }

    bool Takes(const FaultRequest& request, const Row& row) const
    {
        if (request.requestGiven && (!form_.requests || request.request > form_.maxRequest))
            return false;
        if ((request.times && !form_.times) || (request.skip && !row.skips))
            return false;
        if (request.value)
            return row.value != FaultValue::None && *request.value <= row.maxValue;
        return row.value != FaultValue::Required;
    }

    std::vector<Row> rows_;
    Form form_;
};

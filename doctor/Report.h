#pragma once

#include "doctor/Finding.h"

#include <string>
#include <vector>

// The findings of one run, in the order the checks made them.
class Report {
public:
    // Adds a finding and returns it, for the check to fill in.
    Finding& Add(std::string check, std::string subject, std::string summary);

    const std::vector<Finding>& Findings() const { return findings_; }
    int Count(Finding::Status status) const;
    bool HasProblem() const { return Count(Finding::Status::Problem) > 0; }
    // The first finding about `subject`, nullptr when there is none.
    const Finding* Find(const std::string& subject) const;

private:
    std::vector<Finding> findings_;
};

#include "doctor/Report.h"

#include <algorithm>

Finding& Report::Add(std::string check, std::string subject, std::string summary)
{
    Finding finding;
    finding.check = std::move(check);
    finding.subject = std::move(subject);
    finding.summary = std::move(summary);
    findings_.push_back(std::move(finding));
    return findings_.back();
}

int Report::Count(Finding::Status status) const
{
    return static_cast<int>(
        std::count_if(findings_.begin(), findings_.end(), [status](const Finding& f) { return f.status() == status; }));
}

const Finding* Report::Find(const std::string& subject) const
{
    for (const Finding& finding : findings_)
        if (finding.subject == subject) return &finding;
    return nullptr;
}

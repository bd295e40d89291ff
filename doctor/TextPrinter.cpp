#include "doctor/TextPrinter.h"

#include <cstdio>

std::string TextPrinter::Print(const Report& report)
{
    std::string text;
    for (const Finding& finding : report.Findings()) {
        char status[16];
        std::snprintf(status, sizeof status, "%-9s", Finding::StatusName(finding.status()));
        text += status + finding.subject + ": " + finding.summary + "\n";
        for (const auto& [name, value] : finding.facts)
            if (!value.empty()) text += "           " + name + ": " + value + "\n";
        for (const Finding::Note& note : finding.notes) {
            text += std::string("         ") + Finding::StatusName(note.status) + ": " + note.cause + "\n";
            text += "         fix: " + note.fix + "\n";
        }
    }
    const int problems = report.Count(Finding::Status::Problem);
    const int warnings = report.Count(Finding::Status::Warning);
    if (problems == 0 && warnings == 0) return text + "No problems found.\n";
    return text + std::to_string(problems) + " problem(s), " + std::to_string(warnings) + " warning(s).\n";
}

#include "platform/StderrNotifier.h"

#include <iostream>

StderrNotifier::StderrNotifier() : out_(std::cerr) {}

void StderrNotifier::Show(const std::string& text, const std::string& caption)
{
    if (caption.empty())
        out_ << text << '\n';
    else
        out_ << caption << ": " << text << '\n';
    out_.flush();
}

#include "upgrade/PrefixedLines.h"

PrefixedLines::PrefixedLines(std::ostream& target, std::mutex& lock, std::string prefix)
    : target_(target), lock_(lock), prefix_(std::move(prefix)), stream_(this)
{
}

PrefixedLines::~PrefixedLines()
{
    if (!line_.empty()) PassOn();
}

PrefixedLines::int_type PrefixedLines::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (traits_type::to_char_type(c) == '\n')
        PassOn();
    else
        line_ += traits_type::to_char_type(c);
    return c;
}

void PrefixedLines::PassOn()
{
    const std::lock_guard<std::mutex> hold(lock_);
    target_ << prefix_ << line_ << '\n'
            << std::flush;
    line_.clear();
}

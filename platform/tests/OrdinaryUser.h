#pragma once

#include <functional>
#include <optional>
#include <string>

// Runs a piece of a test as an ordinary user (nobody, in no group) in a child
// process, to see what users without root see. Only root can switch; the
// tests run as root in CI.
class OrdinaryUser {
public:
    static bool Available();
    // The text `body` returns in the child; nullopt if the child could not
    // switch users or did not end normally. `body` must not use Qt or threads.
    static std::optional<std::string> Run(const std::function<std::string()>& body);
};

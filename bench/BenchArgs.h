#pragma once

#include <cstdio>
#include <cstdlib>

// The one argument of the image benchmarks: kibibytes, 1 to 1024, `byDefault` when
// none is given. 0, after printing the usage line of `program`, when it is out of range.
inline long KibArgument(int argc, char** argv, long byDefault, const char* program)
{
    const long kib = argc > 1 ? std::strtol(argv[1], nullptr, 10) : byDefault;
    if (kib <= 0 || kib > 1024) {
        std::printf("usage: %s [KIB]  (1 to 1024)\n", program);
        return 0;
    }
    return kib;
}

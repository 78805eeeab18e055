#pragma once

#include <ctime>

namespace lumo {

// The broken-down local time, through the thread-safe call of each platform.
class LocalTime
{
public:
    static std::tm now();
};

} // namespace lumo

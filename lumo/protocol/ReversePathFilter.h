#pragma once

#include <string>

namespace lumo {

// Linux drops datagrams whose source address would not be routed back out of the
// receiving adapter when the reverse-path filter is strict (rp_filter=1); answers
// of devices configured for a foreign subnet are exactly such datagrams.
class ReversePathFilter
{
public:
    // The effective rp_filter value of the adapter (the larger of "all" and the
    // adapter's own), or -1 where the system has no such filter.
    static int mode(const std::string& strInterface);
    // One line for the user when the filter is strict, else empty.
    static std::string diagnostic(const std::string& strInterface);
};

} // namespace lumo

#include "ReversePathFilter.h"

#include <algorithm>
#include <fstream>

namespace lumo {

#if defined(__linux__)
namespace {

int readSetting(const std::string& strPath)
{
    std::ifstream file(strPath);
    int nValue = -1;
    if (file && (file >> nValue))
        return nValue;
    return -1;
}

} // namespace
#endif

int ReversePathFilter::mode(const std::string& strInterface)
{
#if defined(__linux__)
    const std::string strBase = "/proc/sys/net/ipv4/conf/";
    const int nAll = readSetting(strBase + "all/rp_filter");
    const int nOwn = strInterface.find('/') == std::string::npos ? readSetting(strBase + strInterface + "/rp_filter") : -1;
    return std::max(nAll, nOwn);
#else
    (void)strInterface;
    return -1;
#endif
}

std::string ReversePathFilter::diagnostic(const std::string& strInterface)
{
    if (mode(strInterface) != 1)
        return {};
    // sysctl reads a dot in a key as a level separator; in an adapter name such as
    // a VLAN's "eth0.100" it has to be written as a slash.
    std::string strKeyName = strInterface;
    std::replace(strKeyName.begin(), strKeyName.end(), '.', '/');
    return "lumo: strict reverse-path filter (rp_filter=1) on " + strInterface
        + " hides devices configured for another subnet; allow them with: sudo sysctl -w net.ipv4.conf.all.rp_filter=2 net.ipv4.conf."
        + strKeyName + ".rp_filter=2";
}

} // namespace lumo

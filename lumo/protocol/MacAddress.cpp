#include "MacAddress.h"

namespace lumo {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::optional<MacBytes> MacAddress::parse(std::string_view strText)
{
    if (strText.size() != 17)
        return std::nullopt;
    MacBytes mac{};
    for (size_t i = 0; i < mac.size(); ++i) {
        const size_t nPos = i * 3;
        const int nHigh = hexValue(strText[nPos]);
        const int nLow = hexValue(strText[nPos + 1]);
        if (nHigh < 0 || nLow < 0)
            return std::nullopt;
        if (i + 1 < mac.size() && strText[nPos + 2] != ':' && strText[nPos + 2] != '-')
            return std::nullopt;
        mac[i] = static_cast<uint8_t>(nHigh * 16 + nLow);
    }
    return mac;
}

std::string MacAddress::format(const MacBytes& mac)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string strText;
    strText.reserve(17);
    for (size_t i = 0; i < mac.size(); ++i) {
        if (i > 0)
            strText += ':';
        strText += kDigits[mac[i] >> 4];
        strText += kDigits[mac[i] & 0x0F];
    }
    return strText;
}

} // namespace lumo

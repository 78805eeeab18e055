#include "LibrarySettings.h"

#include "ProtocolConstants.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace lumo {

namespace {

std::string environment(const char* pName)
{
    const char* pValue = std::getenv(pName);
    return pValue ? std::string(pValue) : std::string();
}

bool hasEnvironment(const char* pName)
{
    return std::getenv(pName) != nullptr;
}

long numberOr(const std::string& strText, long nFallback, long nMin, long nMax)
{
    if (strText.empty())
        return nFallback;
    char* pEnd = nullptr;
    const long nValue = std::strtol(strText.c_str(), &pEnd, 10);
    if (pEnd == strText.c_str() || *pEnd != '\0' || nValue < nMin || nValue > nMax)
        return nFallback;
    return nValue;
}

std::vector<std::string> splitList(const std::string& strText)
{
    std::vector<std::string> parts;
    std::stringstream stream(strText);
    std::string strPart;
    while (std::getline(stream, strPart, ','))
        if (!strPart.empty())
            parts.push_back(strPart);
    return parts;
}

void addTarget(std::vector<asio::ip::udp::endpoint>& targets, const std::string& strTarget, uint16_t nDefaultPort)
{
    std::string strHost = strTarget;
    uint16_t nPort = nDefaultPort;
    const size_t nColon = strTarget.rfind(':');
    if (nColon != std::string::npos) {
        strHost = strTarget.substr(0, nColon);
        nPort = static_cast<uint16_t>(numberOr(strTarget.substr(nColon + 1), 0, 1, 65535));
    }
    std::error_code error;
    const asio::ip::address_v4 address = asio::ip::make_address_v4(strHost, error);
    if (!error && nPort != 0)
        targets.emplace_back(address, nPort);
}

} // namespace

LibrarySettings LibrarySettings::fromEnvironment()
{
    LibrarySettings settings;
    settings.m_nDevicePort = static_cast<uint16_t>(numberOr(environment("LUMO_DEVICE_PORT"), kDefaultDevicePort, 1, 65535));
    settings.m_nClientPort = static_cast<uint16_t>(numberOr(environment("LUMO_CLIENT_PORT"), kDefaultClientPort, 1, 65535));
    const std::string strTargets = hasEnvironment("LUMO_TARGETS") ? environment("LUMO_TARGETS") : "127.0.0.1";
    for (const std::string& strTarget : splitList(strTargets))
        addTarget(settings.m_targets, strTarget, settings.m_nDevicePort);
    const std::string strInterfaces = environment("LUMO_INTERFACES");
    if (!strInterfaces.empty() && strInterfaces != "all") {
        settings.m_bAllInterfaces = false;
        if (strInterfaces != "none")
            settings.m_interfaceNames = splitList(strInterfaces);
    }
    settings.m_commandTimeout = std::chrono::milliseconds(numberOr(environment("LUMO_COMMAND_TIMEOUT_MS"), 3000, 100, 60000));
    const std::string strLog = environment("LUMO_LOG_INTERFACES");
    settings.m_bLogInterfaces = !strLog.empty() && strLog != "0";
    return settings;
}

bool LibrarySettings::usesInterface(const std::string& strName) const
{
    return m_bAllInterfaces
        || std::find(m_interfaceNames.begin(), m_interfaceNames.end(), strName) != m_interfaceNames.end();
}

} // namespace lumo

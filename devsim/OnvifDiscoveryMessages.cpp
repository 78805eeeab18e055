#include "OnvifDiscoveryMessages.h"

#include "IpAddress.h"
#include "OnvifSimDevice.h"
#include "OnvifXml.h"
#include "OnvifXmlWriter.h"

#include <sodium.h>

#include <chrono>
#include <sstream>

namespace devsim {

namespace {

constexpr const char* kActionBase = "http://schemas.xmlsoap.org/ws/2005/04/discovery/";
constexpr const char* kTypes = "dn:NetworkVideoTransmitter tds:Device";

std::string percentEncoded(const std::string& strText)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string strEncoded;
    for (unsigned char c : strText) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            strEncoded += char(c);
        } else {
            strEncoded += '%';
            strEncoded += kDigits[c >> 4];
            strEncoded += kDigits[c & 0x0F];
        }
    }
    return strEncoded;
}

std::string newMessageId()
{
    uint8_t bytes[16];
    randombytes_buf(bytes, sizeof(bytes));
    bytes[6] = uint8_t((bytes[6] & 0x0F) | 0x40);
    bytes[8] = uint8_t((bytes[8] & 0x3F) | 0x80);
    char hex[33];
    sodium_bin2hex(hex, sizeof(hex), bytes, sizeof(bytes));
    const std::string strHex(hex);
    return "urn:uuid:" + strHex.substr(0, 8) + "-" + strHex.substr(8, 4) + "-" + strHex.substr(12, 4) + "-"
        + strHex.substr(16, 4) + "-" + strHex.substr(20);
}

// The instance id of this run: it changes whenever the simulator starts.
unsigned instanceId()
{
    static const unsigned nId = unsigned(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count());
    return nId;
}

OnvifXmlWriter envelope(const char* pAction, const std::string& strTo, unsigned nMessageNumber)
{
    OnvifXmlWriter writer({{"a", OnvifXml::kAddressing},
                           {"d", OnvifXml::kDiscovery},
                           {"dn", OnvifXml::kNetwork},
                           {"tds", OnvifXml::kDevice}});
    OnvifXmlWriter::add(writer.header(), "a:MessageID", newMessageId());
    OnvifXmlWriter::add(writer.header(), "a:To", strTo);
    OnvifXmlWriter::add(writer.header(), "a:Action", std::string(kActionBase) + pAction);
    pugi::xml_node sequence = OnvifXmlWriter::add(writer.header(), "d:AppSequence");
    sequence.append_attribute("InstanceId") = instanceId();
    sequence.append_attribute("MessageNumber") = nMessageNumber;
    return writer;
}

void describe(pugi::xml_node parent, const OnvifSimDevice& device, bool bFull)
{
    OnvifXmlWriter::add(OnvifXmlWriter::add(parent, "a:EndpointReference"), "a:Address", device.strEndpoint);
    if (!bFull)
        return;
    OnvifXmlWriter::add(parent, "d:Types", kTypes);
    std::string strScopes;
    for (const std::string& strScope : OnvifDiscoveryMessages::scopes(device))
        strScopes += (strScopes.empty() ? "" : " ") + strScope;
    OnvifXmlWriter::add(parent, "d:Scopes", strScopes);
    OnvifXmlWriter::add(parent, "d:XAddrs", OnvifDiscoveryMessages::deviceServiceUrl(device));
    OnvifXmlWriter::add(parent, "d:MetadataVersion", std::to_string(device.nMetadataVersion));
}

bool typeFits(const std::pair<std::string, std::string>& type)
{
    return (type.first == OnvifXml::kNetwork && type.second == "NetworkVideoTransmitter")
        || (type.first == OnvifXml::kDevice && type.second == "Device");
}

bool scopeFits(const std::string& strWanted, const std::vector<std::string>& offered)
{
    for (const std::string& strScope : offered) {
        if (strScope.compare(0, strWanted.size(), strWanted) != 0)
            continue;
        if (strScope.size() == strWanted.size() || strScope[strWanted.size()] == '/' || strWanted.back() == '/')
            return true;
    }
    return false;
}

} // namespace

std::string OnvifDiscoveryMessages::deviceServiceUrl(const OnvifSimDevice& device)
{
    return "http://" + lumo::IpAddress::formatIpv4(device.nActiveAddress) + ":" + std::to_string(device.nHttpPort)
        + "/onvif/device_service";
}

std::vector<std::string> OnvifDiscoveryMessages::scopes(const OnvifSimDevice& device)
{
    return {"onvif://www.onvif.org/type/video_encoder", "onvif://www.onvif.org/Profile/Streaming",
            "onvif://www.onvif.org/name/" + percentEncoded(device.strName),
            "onvif://www.onvif.org/hardware/" + percentEncoded(device.strModel),
            "onvif://www.onvif.org/location/"};
}

std::string OnvifDiscoveryMessages::probeMessageId(const pugi::xml_document& envelope)
{
    if (!OnvifXml::is(OnvifXml::payload(envelope), OnvifXml::kDiscovery, "Probe"))
        return std::string();
    return OnvifXml::childText(OnvifXml::header(envelope), OnvifXml::kAddressing, "MessageID");
}

bool OnvifDiscoveryMessages::matches(const pugi::xml_document& probe, const OnvifSimDevice& device)
{
    const pugi::xml_node request = OnvifXml::payload(probe);
    const pugi::xml_node types = OnvifXml::child(request, OnvifXml::kDiscovery, "Types");
    std::istringstream typeList(types.text().get());
    for (std::string strType; typeList >> strType;)
        if (!typeFits(OnvifXml::resolveQName(types, strType)))
            return false;
    const pugi::xml_node scopeNode = OnvifXml::child(request, OnvifXml::kDiscovery, "Scopes");
    const std::string strRule = scopeNode.attribute("MatchBy").value();
    if (!strRule.empty() && strRule != "http://schemas.xmlsoap.org/ws/2005/04/discovery/rfc3986")
        return false;
    const std::vector<std::string> offered = scopes(device);
    std::istringstream scopeList(scopeNode.text().get());
    for (std::string strScope; scopeList >> strScope;)
        if (!scopeFits(strScope, offered))
            return false;
    return true;
}

std::string OnvifDiscoveryMessages::probeMatches(const OnvifSimDevice& device, const std::string& strRelatesTo,
                                                 unsigned nMessageNumber)
{
    OnvifXmlWriter writer = envelope("ProbeMatches", "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous",
                                     nMessageNumber);
    OnvifXmlWriter::add(writer.header(), "a:RelatesTo", strRelatesTo);
    describe(OnvifXmlWriter::add(OnvifXmlWriter::add(writer.body(), "d:ProbeMatches"), "d:ProbeMatch"), device, true);
    return writer.toString();
}

std::string OnvifDiscoveryMessages::hello(const OnvifSimDevice& device, unsigned nMessageNumber)
{
    OnvifXmlWriter writer = envelope("Hello", "urn:schemas-xmlsoap-org:ws:2005:04:discovery", nMessageNumber);
    describe(OnvifXmlWriter::add(writer.body(), "d:Hello"), device, true);
    return writer.toString();
}

std::string OnvifDiscoveryMessages::bye(const OnvifSimDevice& device, unsigned nMessageNumber)
{
    OnvifXmlWriter writer = envelope("Bye", "urn:schemas-xmlsoap-org:ws:2005:04:discovery", nMessageNumber);
    describe(OnvifXmlWriter::add(writer.body(), "d:Bye"), device, false);
    return writer.toString();
}

} // namespace devsim

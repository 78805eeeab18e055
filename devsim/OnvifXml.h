#pragma once

#include <pugixml.hpp>

#include <cstddef>
#include <string>
#include <utility>

namespace devsim {

// Reading SOAP messages with pugixml, by namespace and local name rather than
// by prefix (pugixml knows nothing of namespaces): a prefix is resolved against
// the declarations in scope at its element. Messages are parsed without trust:
// bounded in size, depth and element count, a document type declaration refused
// (pugixml never expands entities beyond the predefined ones).
class OnvifXml
{
public:
    static constexpr const char* kSoap = "http://www.w3.org/2003/05/soap-envelope";
    static constexpr const char* kAddressing = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
    static constexpr const char* kDiscovery = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
    static constexpr const char* kNetwork = "http://www.onvif.org/ver10/network/wsdl";
    static constexpr const char* kDevice = "http://www.onvif.org/ver10/device/wsdl";
    static constexpr const char* kSchema = "http://www.onvif.org/ver10/schema";
    static constexpr const char* kError = "http://www.onvif.org/ver10/error";
    static constexpr const char* kSecurity =
        "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
    static constexpr const char* kUtility =
        "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";

    static constexpr size_t kMaxDepth = 32;
    static constexpr size_t kMaxElements = 4000;

    // Parses a SOAP 1.2 envelope; false (and nothing to read) for anything else.
    static bool parseEnvelope(pugi::xml_document& document, const char* pData, size_t nSize, size_t nMaxSize);

    static std::string localName(pugi::xml_node node);
    static std::string namespaceOf(pugi::xml_node node);
    // The namespace a prefix ("" for the default) names at the node.
    static std::string resolvePrefix(pugi::xml_node node, const std::string& strPrefix);
    // (namespace, local name) of a QName in the text of the node.
    static std::pair<std::string, std::string> resolveQName(pugi::xml_node node, const std::string& strQName);
    static bool is(pugi::xml_node node, const char* pNamespace, const char* pLocalName);
    static pugi::xml_node child(pugi::xml_node node, const char* pNamespace, const char* pLocalName);
    static std::string childText(pugi::xml_node node, const char* pNamespace, const char* pLocalName);

    static pugi::xml_node header(const pugi::xml_document& document);
    static pugi::xml_node body(const pugi::xml_document& document);
    // The first element in the body.
    static pugi::xml_node payload(const pugi::xml_document& document);

private:
    static bool withinBounds(pugi::xml_node root);
};

} // namespace devsim

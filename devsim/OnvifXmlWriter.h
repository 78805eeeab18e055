#pragma once

#include <pugixml.hpp>

#include <initializer_list>
#include <string>
#include <utility>

namespace devsim {

// Builds a SOAP 1.2 envelope with pugixml: prefix `s` for SOAP and the given
// declarations, all on the Envelope element.
class OnvifXmlWriter
{
public:
    using Declaration = std::pair<const char*, const char*>; // prefix, namespace

    explicit OnvifXmlWriter(std::initializer_list<Declaration> declarations);

    pugi::xml_node header() { return m_header; }
    pugi::xml_node body() { return m_body; }
    // Appends an element with optional text; returns it.
    static pugi::xml_node add(pugi::xml_node parent, const char* pName, const std::string& strText = std::string());
    std::string toString() const;

    // A fault: s:Sender or s:Receiver, an ONVIF subcode (ter:...) and a reason.
    static std::string fault(const char* pCode, const char* pSubcode, const std::string& strReason);

private:
    pugi::xml_document m_document;
    pugi::xml_node m_header;
    pugi::xml_node m_body;
};

} // namespace devsim

#include "OnvifXmlWriter.h"

#include "OnvifXml.h"

#include <sstream>

namespace devsim {

OnvifXmlWriter::OnvifXmlWriter(std::initializer_list<Declaration> declarations)
{
    pugi::xml_node envelope = m_document.append_child("s:Envelope");
    envelope.append_attribute("xmlns:s") = OnvifXml::kSoap;
    for (const Declaration& entry : declarations)
        envelope.append_attribute(("xmlns:" + std::string(entry.first)).c_str()) = entry.second;
    m_header = envelope.append_child("s:Header");
    m_body = envelope.append_child("s:Body");
}

pugi::xml_node OnvifXmlWriter::add(pugi::xml_node parent, const char* pName, const std::string& strText)
{
    pugi::xml_node node = parent.append_child(pName);
    if (!strText.empty())
        node.text().set(strText.c_str());
    return node;
}

std::string OnvifXmlWriter::toString() const
{
    std::ostringstream stream;
    m_document.save(stream, "", pugi::format_raw | pugi::format_no_declaration);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + stream.str();
}

std::string OnvifXmlWriter::fault(const char* pCode, const char* pSubcode, const std::string& strReason)
{
    OnvifXmlWriter writer({{"ter", OnvifXml::kError}});
    pugi::xml_node fault = add(writer.body(), "s:Fault");
    pugi::xml_node code = add(fault, "s:Code");
    add(code, "s:Value", pCode);
    add(add(code, "s:Subcode"), "s:Value", pSubcode);
    pugi::xml_node text = add(add(fault, "s:Reason"), "s:Text", strReason);
    text.append_attribute("xml:lang") = "en";
    return writer.toString();
}

} // namespace devsim

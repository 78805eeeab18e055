#include "OnvifXml.h"

#include <cstring>
#include <vector>

namespace devsim {

namespace {

std::string prefixOf(const char* pName)
{
    const char* pColon = std::strchr(pName, ':');
    return pColon ? std::string(pName, size_t(pColon - pName)) : std::string();
}

std::string trimmed(const std::string& strText)
{
    const size_t nFirst = strText.find_first_not_of(" \t\r\n");
    if (nFirst == std::string::npos)
        return std::string();
    return strText.substr(nFirst, strText.find_last_not_of(" \t\r\n") - nFirst + 1);
}

} // namespace

bool OnvifXml::parseEnvelope(pugi::xml_document& document, const char* pData, size_t nSize, size_t nMaxSize)
{
    if (nSize == 0 || nSize > nMaxSize)
        return false;
    const unsigned nOptions = (pugi::parse_default | pugi::parse_doctype) & ~pugi::parse_pi & ~pugi::parse_comments;
    if (!document.load_buffer(pData, nSize, nOptions, pugi::encoding_utf8))
        return false;
    for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling())
        if (node.type() == pugi::node_doctype)
            return false;
    const pugi::xml_node root = document.document_element();
    if (!withinBounds(root) || !is(root, kSoap, "Envelope") || !body(document)) {
        document.reset();
        return false;
    }
    return true;
}

bool OnvifXml::withinBounds(pugi::xml_node root)
{
    // Walked without recursion, so that the walk itself needs no deep stack.
    std::vector<std::pair<pugi::xml_node, size_t>> pending{{root, 1}};
    size_t nElements = 0;
    while (!pending.empty()) {
        const auto [node, nDepth] = pending.back();
        pending.pop_back();
        if (++nElements > kMaxElements || nDepth > kMaxDepth)
            return false;
        for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling())
            if (child.type() == pugi::node_element)
                pending.emplace_back(child, nDepth + 1);
    }
    return true;
}

std::string OnvifXml::localName(pugi::xml_node node)
{
    const char* pName = node.name();
    const char* pColon = std::strchr(pName, ':');
    return pColon ? std::string(pColon + 1) : std::string(pName);
}

std::string OnvifXml::resolvePrefix(pugi::xml_node node, const std::string& strPrefix)
{
    const std::string strAttribute = strPrefix.empty() ? std::string("xmlns") : "xmlns:" + strPrefix;
    for (pugi::xml_node scope = node; scope && scope.type() == pugi::node_element; scope = scope.parent()) {
        const pugi::xml_attribute declaration = scope.attribute(strAttribute.c_str());
        if (declaration)
            return declaration.value();
    }
    return std::string();
}

std::string OnvifXml::namespaceOf(pugi::xml_node node)
{
    return resolvePrefix(node, prefixOf(node.name()));
}

std::pair<std::string, std::string> OnvifXml::resolveQName(pugi::xml_node node, const std::string& strQName)
{
    const size_t nColon = strQName.find(':');
    if (nColon == std::string::npos)
        return {resolvePrefix(node, std::string()), strQName};
    return {resolvePrefix(node, strQName.substr(0, nColon)), strQName.substr(nColon + 1)};
}

bool OnvifXml::is(pugi::xml_node node, const char* pNamespace, const char* pLocalName)
{
    return node.type() == pugi::node_element && localName(node) == pLocalName && namespaceOf(node) == pNamespace;
}

pugi::xml_node OnvifXml::child(pugi::xml_node node, const char* pNamespace, const char* pLocalName)
{
    for (pugi::xml_node candidate = node.first_child(); candidate; candidate = candidate.next_sibling())
        if (is(candidate, pNamespace, pLocalName))
            return candidate;
    return pugi::xml_node();
}

std::string OnvifXml::childText(pugi::xml_node node, const char* pNamespace, const char* pLocalName)
{
    return trimmed(child(node, pNamespace, pLocalName).text().get());
}

pugi::xml_node OnvifXml::header(const pugi::xml_document& document)
{
    return child(document.document_element(), kSoap, "Header");
}

pugi::xml_node OnvifXml::body(const pugi::xml_document& document)
{
    return child(document.document_element(), kSoap, "Body");
}

pugi::xml_node OnvifXml::payload(const pugi::xml_document& document)
{
    for (pugi::xml_node node = body(document).first_child(); node; node = node.next_sibling())
        if (node.type() == pugi::node_element)
            return node;
    return pugi::xml_node();
}

} // namespace devsim

#include "OnvifXmlElement.h"

const OnvifXmlElement* OnvifXmlElement::child(QLatin1String strNs, QLatin1String strName) const
{
    for (const OnvifXmlElement& element : children)
        if (element.is(strNs, strName))
            return &element;
    return nullptr;
}

const OnvifXmlElement* OnvifXmlElement::find(QLatin1String strNs, QLatin1String strName) const
{
    for (const OnvifXmlElement& element : children) {
        if (element.is(strNs, strName))
            return &element;
        if (const OnvifXmlElement* pFound = element.find(strNs, strName))
            return pFound;
    }
    return nullptr;
}

QString OnvifXmlElement::childText(QLatin1String strNs, QLatin1String strName) const
{
    const OnvifXmlElement* pChild = child(strNs, strName);
    return pChild ? pChild->text.trimmed() : QString();
}

#include "OnvifEnvelope.h"
#include "OnvifNamespaces.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

class BoundedReader
{
public:
    BoundedReader(const QByteArray& data, const OnvifEnvelope::Limits& limits)
        : m_reader(data), m_limits(limits)
    {
    }

    // Reads the whole document into one root element, or returns the error.
    OnvifEnvelope::Error read(OnvifXmlElement* pRoot)
    {
        QVector<OnvifXmlElement> stack;
        bool bHaveRoot = false;
        while (!m_reader.atEnd()) {
            switch (m_reader.readNext()) {
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::EntityReference:
                return OnvifEnvelope::Error::Hostile;
            case QXmlStreamReader::StartElement: {
                if (bHaveRoot && stack.isEmpty())
                    return OnvifEnvelope::Error::Malformed;
                if (stack.size() >= m_limits.maxDepth)
                    return OnvifEnvelope::Error::TooDeep;
                if (++m_nElements > m_limits.maxElements)
                    return OnvifEnvelope::Error::TooLarge;
                if (m_reader.attributes().size() > m_limits.maxAttributes
                    || m_reader.namespaceDeclarations().size() > m_limits.maxAttributes)
                    return OnvifEnvelope::Error::TooLarge;
                stack.append(startElement(stack.isEmpty() ? nullptr : &stack.last()));
                break;
            }
            case QXmlStreamReader::Characters:
                if (!stack.isEmpty() && !m_reader.isWhitespace()) {
                    OnvifXmlElement& element = stack.last();
                    if (element.text.size() + m_reader.text().size() > m_limits.maxTextChars)
                        return OnvifEnvelope::Error::FieldTooLong;
                    element.text += m_reader.text();
                }
                break;
            case QXmlStreamReader::EndElement: {
                OnvifXmlElement done = stack.takeLast();
                if (stack.isEmpty()) {
                    *pRoot = std::move(done);
                    bHaveRoot = true;
                } else {
                    stack.last().children.append(std::move(done));
                }
                break;
            }
            default:
                break;
            }
        }
        if (m_reader.hasError()) {
            // Qt reports an undeclared entity as a parse error; it is hostile input all the same.
            const QString strMessage = m_reader.errorString();
            if (strMessage.contains(QLatin1String("ntity")))
                return OnvifEnvelope::Error::Hostile;
            return OnvifEnvelope::Error::Malformed;
        }
        return bHaveRoot ? OnvifEnvelope::Error::None : OnvifEnvelope::Error::Malformed;
    }

private:
    OnvifXmlElement startElement(const OnvifXmlElement* pParent)
    {
        OnvifXmlElement element;
        element.ns = m_reader.namespaceUri().toString();
        element.name = m_reader.name().toString();
        if (pParent)
            element.prefixes = pParent->prefixes;
        const QXmlStreamNamespaceDeclarations declarations = m_reader.namespaceDeclarations();
        for (const QXmlStreamNamespaceDeclaration& declaration : declarations)
            element.prefixes.insert(declaration.prefix().toString(), declaration.namespaceUri().toString());
        const QXmlStreamAttributes attributes = m_reader.attributes();
        for (const QXmlStreamAttribute& attribute : attributes)
            element.attributes.insert(attribute.name().toString(), attribute.value().toString());
        return element;
    }

    QXmlStreamReader m_reader;
    const OnvifEnvelope::Limits& m_limits;
    int m_nElements = 0;
};

} // namespace

OnvifEnvelope OnvifEnvelope::parse(const QByteArray& data, const Limits& limits)
{
    OnvifEnvelope envelope;
    if (data.size() > limits.maxBytes) {
        envelope.m_error = Error::TooLarge;
        return envelope;
    }
    OnvifXmlElement root;
    envelope.m_error = BoundedReader(data, limits).read(&root);
    if (envelope.m_error != Error::None)
        return envelope;
    if (!root.is(OnvifNs::Soap, QLatin1String("Envelope"))) {
        envelope.m_error = Error::NotSoap;
        return envelope;
    }
    const OnvifXmlElement* pBody = root.child(OnvifNs::Soap, QLatin1String("Body"));
    if (!pBody) {
        envelope.m_error = Error::NoBody;
        return envelope;
    }
    envelope.m_body = *pBody;
    if (const OnvifXmlElement* pHeader = root.child(OnvifNs::Soap, QLatin1String("Header")))
        envelope.m_header = *pHeader;
    envelope.readFault();
    return envelope;
}

void OnvifEnvelope::readFault()
{
    const OnvifXmlElement* pFault = m_body.child(OnvifNs::Soap, QLatin1String("Fault"));
    if (!pFault)
        return;
    m_bFault = true;
    if (const OnvifXmlElement* pCode = pFault->child(OnvifNs::Soap, QLatin1String("Code"))) {
        m_fault.code = pCode->childText(OnvifNs::Soap, QLatin1String("Value"));
        if (const OnvifXmlElement* pSub = pCode->child(OnvifNs::Soap, QLatin1String("Subcode")))
            m_fault.subcode = pSub->childText(OnvifNs::Soap, QLatin1String("Value"));
    }
    if (const OnvifXmlElement* pReason = pFault->child(OnvifNs::Soap, QLatin1String("Reason")))
        m_fault.reason = pReason->childText(OnvifNs::Soap, QLatin1String("Text"));
}

QString OnvifEnvelope::faultText() const
{
    if (!m_bFault)
        return QString();
    QString strText = m_fault.code;
    if (!m_fault.subcode.isEmpty())
        strText += QLatin1String(" / ") + m_fault.subcode;
    if (!m_fault.reason.isEmpty())
        strText += QLatin1String(": ") + m_fault.reason;
    return strText;
}

QByteArray OnvifEnvelope::build(const Declarations& declarations, const Writer& header, const Writer& body)
{
    QByteArray data;
    QXmlStreamWriter writer(&data);
    writer.writeStartDocument();
    writer.writeNamespace(OnvifNs::Soap, QStringLiteral("s"));
    for (const auto& declaration : declarations)
        writer.writeNamespace(declaration.second, declaration.first);
    writer.writeStartElement(OnvifNs::Soap, QStringLiteral("Envelope"));
    if (header) {
        writer.writeStartElement(OnvifNs::Soap, QStringLiteral("Header"));
        header(writer);
        writer.writeEndElement();
    }
    writer.writeStartElement(OnvifNs::Soap, QStringLiteral("Body"));
    if (body)
        body(writer);
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument();
    return data;
}

QString OnvifEnvelope::errorName(Error error)
{
    switch (error) {
    case Error::None: return QStringLiteral("none");
    case Error::TooLarge: return QStringLiteral("too large");
    case Error::Malformed: return QStringLiteral("malformed XML");
    case Error::Hostile: return QStringLiteral("DTD or entity refused");
    case Error::TooDeep: return QStringLiteral("nested too deeply");
    case Error::FieldTooLong: return QStringLiteral("field too long");
    case Error::NotSoap: return QStringLiteral("not a SOAP 1.2 envelope");
    case Error::NoBody: return QStringLiteral("no Body");
    }
    return QString();
}

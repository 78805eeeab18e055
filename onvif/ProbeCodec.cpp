#include "ProbeCodec.h"
#include "OnvifNamespaces.h"

#include <QUrl>
#include <QUuid>
#include <QXmlStreamWriter>

namespace {

const QLatin1String kAction("Action");
constexpr int kMaxListItems = 64;

QString probeAction() { return QStringLiteral("http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe"); }

QStringList splitList(const QString& strText)
{
    QStringList items = strText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (items.size() > kMaxListItems)
        items = items.mid(0, kMaxListItems);
    for (QString& item : items)
        item = item.trimmed();
    items.removeAll(QString());
    return items;
}

// Types are QNames; the prefix is resolved against the prefixes in scope at the
// Types element and the known namespaces are shown with their usual prefix.
QStringList readTypes(const OnvifXmlElement* pTypes)
{
    QStringList types;
    if (!pTypes)
        return types;
    const QStringList names = splitList(pTypes->text);
    for (const QString& strName : names) {
        const int nColon = strName.indexOf(QLatin1Char(':'));
        const QString strPrefix = nColon < 0 ? QString() : strName.left(nColon);
        const QString strLocal = nColon < 0 ? strName : strName.mid(nColon + 1);
        const QString strNs = pTypes->prefixes.value(strPrefix);
        if (strNs == OnvifNs::Network)
            types.append(QLatin1String("dn:") + strLocal);
        else if (strNs == OnvifNs::Device)
            types.append(QLatin1String("tds:") + strLocal);
        else if (!strNs.isEmpty())
            types.append(QLatin1Char('{') + strNs + QLatin1Char('}') + strLocal);
        else
            types.append(strName);
    }
    return types;
}

// Reads one ProbeMatch, Hello or Bye body element into a record; false when it
// names no endpoint.
bool readEndpoint(const OnvifXmlElement& element, OnvifDeviceRecord* pRecord)
{
    const OnvifXmlElement* pReference = element.child(OnvifNs::Addressing, QLatin1String("EndpointReference"));
    if (!pReference)
        return false;
    pRecord->endpoint = pReference->childText(OnvifNs::Addressing, QLatin1String("Address"));
    if (pRecord->endpoint.isEmpty())
        return false;
    pRecord->types = readTypes(element.child(OnvifNs::Discovery, QLatin1String("Types")));
    if (const OnvifXmlElement* pScopes = element.child(OnvifNs::Discovery, QLatin1String("Scopes")))
        pRecord->scopes = splitList(pScopes->text);
    pRecord->xaddrs = splitList(element.childText(OnvifNs::Discovery, QLatin1String("XAddrs")));
    pRecord->host = ProbeCodec::hostOf(pRecord->xaddrs);
    pRecord->metadataVersion = element.childText(OnvifNs::Discovery, QLatin1String("MetadataVersion")).toUInt();
    pRecord->scopeName = ProbeCodec::scopeValue(pRecord->scopes, QStringLiteral("name"));
    pRecord->scopeHardware = ProbeCodec::scopeValue(pRecord->scopes, QStringLiteral("hardware"));
    return true;
}

ProbeCodec::Kind kindOf(const OnvifXmlElement& operation)
{
    if (operation.is(OnvifNs::Discovery, QLatin1String("ProbeMatches")))
        return ProbeCodec::Kind::ProbeMatches;
    if (operation.is(OnvifNs::Discovery, QLatin1String("Hello")))
        return ProbeCodec::Kind::Hello;
    if (operation.is(OnvifNs::Discovery, QLatin1String("Bye")))
        return ProbeCodec::Kind::Bye;
    if (operation.is(OnvifNs::Discovery, QLatin1String("Probe")))
        return ProbeCodec::Kind::Probe;
    return ProbeCodec::Kind::Other;
}

} // namespace

QByteArray ProbeCodec::encodeProbe(ProbeType type, const QString& strMessageId)
{
    const bool bTransmitter = type == ProbeType::NetworkVideoTransmitter;
    const QString strPrefix = bTransmitter ? QStringLiteral("dn") : QStringLiteral("tds");
    const QString strType = strPrefix + (bTransmitter ? QStringLiteral(":NetworkVideoTransmitter") : QStringLiteral(":Device"));
    const OnvifEnvelope::Declarations declarations = {
        {QStringLiteral("a"), OnvifNs::Addressing},
        {QStringLiteral("d"), OnvifNs::Discovery},
        {strPrefix, bTransmitter ? QString(OnvifNs::Network) : QString(OnvifNs::Device)},
    };
    return OnvifEnvelope::build(
        declarations,
        [&](QXmlStreamWriter& writer) {
            writer.writeTextElement(OnvifNs::Addressing, QStringLiteral("MessageID"), strMessageId);
            writer.writeTextElement(OnvifNs::Addressing, QStringLiteral("To"), OnvifNs::DiscoveryTo);
            writer.writeTextElement(OnvifNs::Addressing, kAction, probeAction());
        },
        [&](QXmlStreamWriter& writer) {
            writer.writeStartElement(OnvifNs::Discovery, QStringLiteral("Probe"));
            writer.writeTextElement(OnvifNs::Discovery, QStringLiteral("Types"), strType);
            writer.writeEndElement();
        });
}

ProbeCodec::Message ProbeCodec::decode(const QByteArray& datagram)
{
    Message message;
    OnvifEnvelope::Limits limits;
    limits.maxBytes = kMaxDatagram;
    const OnvifEnvelope envelope = OnvifEnvelope::parse(datagram, limits);
    message.error = envelope.error();
    if (!envelope.isValid())
        return message;
    message.messageId = envelope.header().childText(OnvifNs::Addressing, QLatin1String("MessageID"));
    message.relatesTo = envelope.header().childText(OnvifNs::Addressing, QLatin1String("RelatesTo"));
    const OnvifXmlElement* pOperation = envelope.body().firstChild();
    if (!pOperation)
        return message;
    message.kind = kindOf(*pOperation);
    if (message.kind == Kind::ProbeMatches) {
        for (const OnvifXmlElement& match : pOperation->children) {
            if (!match.is(OnvifNs::Discovery, QLatin1String("ProbeMatch")))
                continue;
            OnvifDeviceRecord record;
            if (readEndpoint(match, &record) && !record.host.isEmpty())
                message.endpoints.append(record);
            else
                ++message.nDroppedMatches;
        }
    } else if (message.kind == Kind::Hello || message.kind == Kind::Bye) {
        OnvifDeviceRecord record;
        // A Bye needs only the endpoint; a Hello without XAddrs cannot be listed.
        if (readEndpoint(*pOperation, &record) && (message.kind == Kind::Bye || !record.host.isEmpty()))
            message.endpoints.append(record);
        else
            ++message.nDroppedMatches;
    }
    return message;
}

QString ProbeCodec::newMessageId()
{
    return QLatin1String("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QString ProbeCodec::scopeValue(const QStringList& scopes, const QString& strKey)
{
    const QString strPrefix = QLatin1String("onvif://www.onvif.org/") + strKey + QLatin1Char('/');
    for (const QString& strScope : scopes)
        if (strScope.startsWith(strPrefix, Qt::CaseInsensitive))
            return QUrl::fromPercentEncoding(strScope.mid(strPrefix.size()).toUtf8());
    return QString();
}

QString ProbeCodec::hostOf(const QStringList& xaddrs)
{
    QString strFallback;
    for (const QString& strAddress : xaddrs) {
        const QUrl url(strAddress, QUrl::StrictMode);
        if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
            continue;
        const QString strHost = url.host();
        if (strHost.isEmpty())
            continue;
        if (!strHost.contains(QLatin1Char(':')))
            return strHost;
        if (strFallback.isEmpty())
            strFallback = strHost;
    }
    return strFallback;
}

#include "OnvifTestCamera.h"

#include "OnvifEnvelope.h"
#include "OnvifNamespaces.h"
#include "OnvifTestData.h"
#include "SoapResponder.h"

#include <QNetworkDatagram>
#include <QRegularExpression>
#include <QTimer>

namespace {

QByteArray ProbeMatches(const QString& relatesTo, const QString& endpoint, const QString& url)
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
               "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
               "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
               "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\" xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\">"
               "<s:Header><a:MessageID>urn:uuid:0b7e4c2e-0000-4000-8000-000000000001</a:MessageID>"
               "<a:RelatesTo>%1</a:RelatesTo>"
               "<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</a:Action></s:Header>"
               "<s:Body><d:ProbeMatches><d:ProbeMatch><a:EndpointReference><a:Address>%2</a:Address></a:EndpointReference>"
               "<d:Types>dn:NetworkVideoTransmitter tds:Device</d:Types>"
               "<d:Scopes>onvif://www.onvif.org/hardware/NV-2140 onvif://www.onvif.org/name/Gate</d:Scopes>"
               "<d:XAddrs>%3</d:XAddrs><d:MetadataVersion>1</d:MetadataVersion></d:ProbeMatch></d:ProbeMatches>"
               "</s:Body></s:Envelope>")
        .arg(relatesTo, endpoint, url)
        .toUtf8();
}

QByteArray DeviceReply(const QString& body)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                          "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
                          "xmlns:tt=\"http://www.onvif.org/ver10/schema\" xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\">"
                          "<s:Body>%1</s:Body></s:Envelope>")
        .arg(body)
        .toUtf8();
}

} // namespace

OnvifTestCamera::OnvifTestCamera(const Identity& identity, QObject* pParent)
    : QObject(pParent), m_identity(identity), m_pService(new SoapResponder(this))
{
    connect(&m_probes, &QUdpSocket::readyRead, this, [this]() { OnProbe(); });
    connect(m_pService, &SoapResponder::received, this, [this](const QString& operation) { OnOperation(operation); });
}

OnvifTestCamera::~OnvifTestCamera()
{
    m_pService->close();
    m_probes.close();
}

bool OnvifTestCamera::Start(const QHostAddress& address, quint16 probePort)
{
    m_address = address;
    if (!m_probes.bind(address, probePort) || !m_pService->listen(address))
        return false;
    ServeReads();
    return true;
}

QString OnvifTestCamera::ServiceUrl() const
{
    return QStringLiteral("http://%1:%2/onvif/device_service").arg(m_address.toString()).arg(m_pService->port());
}

void OnvifTestCamera::ServeReads()
{
    m_pService->setReply(QStringLiteral("GetDeviceInformation"), { 200, DeviceReply(QStringLiteral(
        "<tds:GetDeviceInformationResponse><tds:Manufacturer>Northvale Optics</tds:Manufacturer>"
        "<tds:Model>NV-2140</tds:Model><tds:FirmwareVersion>V5.7.3</tds:FirmwareVersion>"
        "<tds:SerialNumber>%1</tds:SerialNumber><tds:HardwareId>88</tds:HardwareId>"
        "</tds:GetDeviceInformationResponse>").arg(m_identity.strSerial)) });
    m_pService->setReply(QStringLiteral("GetNetworkInterfaces"), { 200, DeviceReply(QStringLiteral(
        "<tds:GetNetworkInterfacesResponse><tds:NetworkInterfaces token=\"eth0\"><tt:Enabled>true</tt:Enabled>"
        "<tt:Info><tt:Name>eth0</tt:Name><tt:HwAddress>%1</tt:HwAddress></tt:Info>"
        "<tt:IPv4><tt:Enabled>true</tt:Enabled><tt:Config><tt:Manual><tt:Address>%2</tt:Address>"
        "<tt:PrefixLength>%3</tt:PrefixLength></tt:Manual><tt:DHCP>false</tt:DHCP></tt:Config></tt:IPv4>"
        "</tds:NetworkInterfaces></tds:GetNetworkInterfacesResponse>")
        .arg(m_identity.strMac, m_address.toString()).arg(m_identity.nPrefixLength)) });
    m_pService->setReply(QStringLiteral("GetNetworkDefaultGateway"), { 200, DeviceReply(QStringLiteral(
        "<tds:GetNetworkDefaultGatewayResponse><tds:NetworkGateway><tt:IPv4Address>%1</tt:IPv4Address>"
        "</tds:NetworkGateway></tds:GetNetworkDefaultGatewayResponse>").arg(m_identity.strGateway)) });
    m_pService->setReply(QStringLiteral("GetNetworkProtocols"), { 200, OnvifTestData::readData("getnetworkprotocols.xml") });
    m_pService->setReply(QStringLiteral("SetNetworkDefaultGateway"), { 200, OnvifTestData::readData("setnetworkdefaultgateway.xml") });
    if (bMoves)
        m_pService->setReply(QStringLiteral("SetNetworkInterfaces"), { 200, OnvifTestData::readData("setnetworkinterfaces-noreboot.xml") });
}

void OnvifTestCamera::OnProbe()
{
    while (m_probes.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_probes.receiveDatagram();
        const OnvifEnvelope envelope = OnvifEnvelope::parse(datagram.data());
        if (!envelope.body().child(OnvifNs::Discovery, QLatin1String("Probe")))
            continue;
        const QString messageId = envelope.header().childText(OnvifNs::Addressing, QLatin1String("MessageID"));
        m_probes.writeDatagram(ProbeMatches(messageId, m_identity.strEndpoint, ServiceUrl()), datagram.senderAddress(),
                               quint16(datagram.senderPort()));
    }
}

void OnvifTestCamera::OnOperation(const QString& operation)
{
    if (operation == QLatin1String("SetNetworkDefaultGateway")) {
        static const QRegularExpression gateway(QStringLiteral("IPv4Address>([0-9.]+)<"));
        m_identity.strGateway = gateway.match(QString::fromUtf8(m_pService->bodies.last())).captured(1);
        return;
    }
    if (operation != QLatin1String("SetNetworkInterfaces"))
        return;
    const QString body = QString::fromUtf8(m_pService->bodies.last());
    static const QRegularExpression address(QStringLiteral("Address>([0-9.]+)<"));
    static const QRegularExpression prefix(QStringLiteral("PrefixLength>([0-9]+)<"));
    strRequestedAddress = address.match(body).captured(1);
    nRequestedPrefix = prefix.match(body).captured(1).toInt();
    if (!bMoves)
        return;
    // After the answer has gone out from the old address.
    const QHostAddress target(strRequestedAddress);
    m_identity.nPrefixLength = nRequestedPrefix;
    QTimer::singleShot(0, this, [this, target]() { MoveTo(target); });
}

void OnvifTestCamera::MoveTo(const QHostAddress& address)
{
    const quint16 port = m_pService->port();
    m_pService->close();
    m_address = address;
    if (!m_pService->listen(address, port))
        qWarning("the camera cannot listen at %s:%u", qPrintable(address.toString()), port);
    ServeReads();
}

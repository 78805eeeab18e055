#include "OnvifDiscovery.h"
#include "ProbeCodec.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QTimer>
#include <QUdpSocket>
#include <QVariant>

namespace {

const QHostAddress kMulticastGroup(QStringLiteral("239.255.255.250"));
const QHostAddress kMulticastGroup6(QStringLiteral("ff02::c"));
constexpr int kFirstGapMinMs = 50;
constexpr int kFirstGapMaxMs = 250;
constexpr int kMaxGapMs = 500;

bool isMulticastAdapter(const QNetworkInterface& adapter)
{
    const auto flags = adapter.flags();
    return flags.testFlag(QNetworkInterface::IsUp) && flags.testFlag(QNetworkInterface::IsRunning)
        && flags.testFlag(QNetworkInterface::CanMulticast) && !flags.testFlag(QNetworkInterface::IsLoopBack);
}

} // namespace

struct OnvifDiscovery::Round
{
    QVector<Destination> destinations;
    QByteArray transmitterProbe;
    QByteArray deviceProbe;
    int nSent = 0;
    QVector<int> gaps;
    QTimer timer;
};

OnvifDiscovery::OnvifDiscovery(QObject* pParent)
    : QObject(pParent), m_settings(OnvifDiscoverySettings::fromEnvironment()), m_pQuietTimer(new QTimer(this))
{
    m_pQuietTimer->setSingleShot(true);
    connect(m_pQuietTimer, &QTimer::timeout, this, [this]() {
        if (m_rounds.isEmpty())
            emit probeFinished();
    });
}

OnvifDiscovery::~OnvifDiscovery() = default;

QVector<int> OnvifDiscovery::resendGaps(int nFirstGapMs)
{
    QVector<int> gaps;
    int nGapMs = nFirstGapMs;
    for (int i = 1; i < kSendsPerRound; ++i) {
        gaps.append(nGapMs);
        nGapMs = qMin(nGapMs * 2, kMaxGapMs);
    }
    return gaps;
}

int OnvifDiscovery::randomFirstGap()
{
    return QRandomGenerator::global()->bounded(kFirstGapMinMs, kFirstGapMaxMs + 1);
}

bool OnvifDiscovery::start()
{
    stop();
    m_pUnicast = openSocket(QHostAddress::AnyIPv4, 0);
    if (!m_settings.usesNoInterface())
        openAdapterSockets();
    // Hello and Bye also come by unicast and by broadcast (a simulator on the
    // loopback): the listener is there whatever the adapters, joined to the
    // groups only on the selected ones.
    openListener();
    return m_pUnicast != nullptr || !m_adapterSockets.isEmpty();
}

void OnvifDiscovery::stop()
{
    m_rounds.clear();
    m_pQuietTimer->stop();
    delete m_pUnicast;
    m_pUnicast = nullptr;
    delete m_pListener;
    m_pListener = nullptr;
    delete m_pListener6;
    m_pListener6 = nullptr;
    for (const Destination& destination : std::as_const(m_adapterSockets))
        delete destination.pSocket;
    m_adapterSockets.clear();
}

QUdpSocket* OnvifDiscovery::openSocket(const QHostAddress& bindAddress, quint16 nPort)
{
    auto* pSocket = new QUdpSocket(this);
    const auto mode = nPort ? QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint : QUdpSocket::DefaultForPlatform;
    if (!pSocket->bind(bindAddress, nPort, mode)) {
        delete pSocket;
        return nullptr;
    }
    // Hundreds of devices answer one probe within half a second; the system's
    // default buffer holds only about a hundred and fifty matches.
    pSocket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, kReceiveBufferBytes);
    connect(pSocket, &QUdpSocket::readyRead, this, [this, pSocket]() { readPending(pSocket); });
    return pSocket;
}

// One socket per adapter address, so each probe leaves through its adapter and
// its replies come back to a socket of that adapter.
void OnvifDiscovery::openAdapterSockets()
{
    const QList<QNetworkInterface> adapters = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& adapter : adapters) {
        if (!isMulticastAdapter(adapter) || !m_settings.usesInterface(adapter.name()))
            continue;
        openAdapterSocket(adapter, QAbstractSocket::IPv4Protocol);
        openAdapterSocket(adapter, QAbstractSocket::IPv6Protocol);
    }
}

// IPv4 from the adapter's first address; IPv6 from its link-local address,
// towards [FF02::C] scoped to the adapter.
void OnvifDiscovery::openAdapterSocket(const QNetworkInterface& adapter, QAbstractSocket::NetworkLayerProtocol protocol)
{
    const QList<QNetworkAddressEntry> entries = adapter.addressEntries();
    for (const QNetworkAddressEntry& entry : entries) {
        const QHostAddress address = entry.ip();
        if (address.protocol() != protocol || (protocol == QAbstractSocket::IPv6Protocol && !address.isLinkLocal()))
            continue;
        QUdpSocket* pSocket = openSocket(address, 0);
        if (!pSocket)
            continue;
        pSocket->setMulticastInterface(adapter);
        pSocket->setSocketOption(QAbstractSocket::MulticastTtlOption, 1);
        QHostAddress group = protocol == QAbstractSocket::IPv4Protocol ? kMulticastGroup : kMulticastGroup6;
        if (protocol == QAbstractSocket::IPv6Protocol)
            group.setScopeId(adapter.name());
        m_adapterSockets.append({pSocket, group, OnvifDiscoverySettings::kPort});
        return;
    }
}

// Hello and Bye are multicast to port 3702; the listener joins the group on
// each adapter used. Another program holding the port only costs us the
// announcements, not the probes.
void OnvifDiscovery::openListener()
{
    m_pListener = openSocket(QHostAddress::AnyIPv4, m_settings.nListenPort);
    m_pListener6 = openSocket(QHostAddress::AnyIPv6, m_settings.nListenPort);
    const QList<QNetworkInterface> adapters = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& adapter : adapters) {
        if (!isMulticastAdapter(adapter) || !m_settings.usesInterface(adapter.name()))
            continue;
        if (m_pListener)
            m_pListener->joinMulticastGroup(kMulticastGroup, adapter);
        if (m_pListener6)
            m_pListener6->joinMulticastGroup(kMulticastGroup6, adapter);
    }
}

void OnvifDiscovery::probe()
{
    QVector<Destination> destinations = m_adapterSockets;
    if (m_pUnicast)
        for (const auto& target : std::as_const(m_settings.targets))
            destinations.append({m_pUnicast, target.first, target.second});
    startRound(destinations);
}

void OnvifDiscovery::probeAddress(const QHostAddress& address, quint16 nPort)
{
    if (m_pUnicast)
        startRound({{m_pUnicast, address, nPort}});
}

void OnvifDiscovery::startRound(const QVector<Destination>& destinations)
{
    if (destinations.isEmpty()) {
        m_pQuietTimer->start(0);
        return;
    }
    auto pRound = std::make_shared<Round>();
    pRound->destinations = destinations;
    // Repeats of one probe keep its MessageID, so a device answers it once.
    pRound->transmitterProbe = ProbeCodec::encodeProbe(ProbeCodec::ProbeType::NetworkVideoTransmitter, ProbeCodec::newMessageId());
    pRound->deviceProbe = ProbeCodec::encodeProbe(ProbeCodec::ProbeType::Device, ProbeCodec::newMessageId());
    pRound->gaps = resendGaps(randomFirstGap());
    pRound->timer.setSingleShot(true);
    Round* pRaw = pRound.get();
    connect(&pRound->timer, &QTimer::timeout, this, [this, pRaw]() { sendRound(pRaw); });
    m_rounds.append(pRound);
    m_pQuietTimer->stop();
    sendRound(pRaw);
}

void OnvifDiscovery::sendRound(Round* pRound)
{
    for (const Destination& destination : std::as_const(pRound->destinations)) {
        destination.pSocket->writeDatagram(pRound->transmitterProbe, destination.address, destination.nPort);
        destination.pSocket->writeDatagram(pRound->deviceProbe, destination.address, destination.nPort);
    }
    if (++pRound->nSent >= kSendsPerRound) {
        endRound(pRound);
        return;
    }
    pRound->timer.start(pRound->gaps.at(pRound->nSent - 1));
}

void OnvifDiscovery::endRound(Round* pRound)
{
    for (int i = 0; i < m_rounds.size(); ++i) {
        if (m_rounds[i].get() == pRound) {
            // Deleted later: this runs inside the round's own timer signal.
            std::shared_ptr<Round> pKeep = m_rounds.takeAt(i);
            QTimer::singleShot(0, this, [pKeep]() {});
            break;
        }
    }
    if (m_rounds.isEmpty())
        m_pQuietTimer->start(m_nListenMs);
}

void OnvifDiscovery::readPending(QUdpSocket* pSocket)
{
    while (pSocket->hasPendingDatagrams()) {
        const qint64 nSize = pSocket->pendingDatagramSize();
        const QNetworkDatagram datagram = pSocket->receiveDatagram(qMin<qint64>(nSize, ProbeCodec::kMaxDatagram + 1));
        if (nSize > ProbeCodec::kMaxDatagram) {
            ++m_counters.nDatagrams;
            ++m_counters.nDropped;
            continue;
        }
        processDatagram(datagram.data());
    }
}

void OnvifDiscovery::processDatagram(const QByteArray& datagram)
{
    ++m_counters.nDatagrams;
    const ProbeCodec::Message message = ProbeCodec::decode(datagram);
    if (message.error != OnvifEnvelope::Error::None) {
        ++m_counters.nDropped;
        return;
    }
    m_counters.nWithoutAddress += message.nDroppedMatches;
    switch (message.kind) {
    case ProbeCodec::Kind::ProbeMatches:
    case ProbeCodec::Kind::Hello:
        for (const OnvifDeviceRecord& record : message.endpoints)
            addOrRefresh(record);
        break;
    case ProbeCodec::Kind::Bye:
        for (const OnvifDeviceRecord& record : message.endpoints)
            remove(record.endpoint);
        break;
    default:
        break; // our own probes looped back, or other traffic
    }
}

void OnvifDiscovery::addOrRefresh(const OnvifDeviceRecord& record)
{
    emit deviceAnswered(record.endpoint);
    auto it = m_devices.find(record.endpoint);
    if (it == m_devices.end()) {
        m_devices.insert(record.endpoint, record);
        emit deviceFound(record);
        return;
    }
    if (it->xaddrs == record.xaddrs && it->scopes == record.scopes && it->types == record.types
        && it->metadataVersion == record.metadataVersion) {
        ++m_counters.nDuplicates;
        return;
    }
    *it = record;
    emit deviceChanged(record);
}

void OnvifDiscovery::forget(const QString& strEndpoint)
{
    remove(strEndpoint);
}

void OnvifDiscovery::remove(const QString& strEndpoint)
{
    if (m_devices.remove(strEndpoint) > 0)
        emit deviceLost(strEndpoint);
}

QVector<OnvifDeviceRecord> OnvifDiscovery::devices() const
{
    QVector<OnvifDeviceRecord> list;
    list.reserve(m_devices.size());
    for (const OnvifDeviceRecord& record : m_devices)
        list.append(record);
    return list;
}

quint16 OnvifDiscovery::localPort() const
{
    return m_pUnicast ? m_pUnicast->localPort() : 0;
}

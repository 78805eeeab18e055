#include "COnvifScanner.h"

#include "OnvifDiscovery.h"
#include "OnvifReadQueue.h"

#include <QEventLoop>
#include <QNetworkAccessManager>

COnvifScanner::COnvifScanner()
    : m_pManager(std::make_unique<QNetworkAccessManager>()),
      m_pDiscovery(std::make_unique<OnvifDiscovery>()),
      m_pReads(std::make_unique<OnvifReadQueue>(m_pManager.get()))
{
    QObject::connect(m_pDiscovery.get(), &OnvifDiscovery::deviceFound, m_pReads.get(),
                     [this](const OnvifDeviceRecord& record) { Found(record); });
    QObject::connect(m_pDiscovery.get(), &OnvifDiscovery::deviceChanged, m_pReads.get(),
                     [this](const OnvifDeviceRecord& record) { Found(record); });
    QObject::connect(m_pDiscovery.get(), &OnvifDiscovery::deviceLost, m_pReads.get(),
                     [this](const QString& endpoint) { m_devices.remove(endpoint); });
    QObject::connect(m_pReads.get(), &OnvifReadQueue::deviceRead, m_pDiscovery.get(),
                     [this](const OnvifDeviceRecord& record) {
                         // A device that said goodbye while it was read stays gone.
                         if (m_devices.contains(record.endpoint))
                             m_devices.insert(record.endpoint, record);
                     });
}

COnvifScanner::~COnvifScanner()
{
    // The reads use the manager; they go first.
    m_pReads.reset();
    m_pDiscovery->stop();
}

void COnvifScanner::SetCredentials(const QString& user, const QString& password)
{
    m_strUser = user;
    m_strPassword = password;
    m_pReads->setCredentials(user, password);
}

bool COnvifScanner::Start(const OnvifDiscoverySettings& settings)
{
    m_pDiscovery->setSettings(settings);
    if (!m_pDiscovery->start())
        return false;
    m_pDiscovery->probe();
    return true;
}

void COnvifScanner::Found(const OnvifDeviceRecord& record)
{
    m_devices.insert(record.endpoint, record);
    m_pReads->enqueue(record);
}

QVector<OnvifDeviceRecord> COnvifScanner::Devices() const
{
    return m_devices.values().toVector();
}

bool COnvifScanner::IsReading() const
{
    return m_pReads->pending() > 0;
}

OnvifReaddress::Result COnvifScanner::Readdress(const OnvifDeviceRecord& device, const OnvifReaddress::Request& request)
{
    OnvifReaddress readdress(m_pManager.get());
    if (!m_strUser.isEmpty())
        readdress.setCredentials(m_strUser, m_strPassword);
    // A device that announces itself at its new address is back as well.
    QObject::connect(m_pDiscovery.get(), &OnvifDiscovery::deviceFound, &readdress, &OnvifReaddress::noteHello);
    QObject::connect(m_pDiscovery.get(), &OnvifDiscovery::deviceChanged, &readdress, &OnvifReaddress::noteHello);
    OnvifReaddress::Result result;
    bool finished = false;
    QEventLoop loop;
    QObject::connect(&readdress, &OnvifReaddress::finished, &loop, [&](const OnvifReaddress::Result& outcome) {
        result = outcome;
        finished = true;
        loop.quit();
    });
    readdress.start(device, request);
    // A request refused at once has finished before the loop runs.
    if (!finished)
        loop.exec();
    return result;
}

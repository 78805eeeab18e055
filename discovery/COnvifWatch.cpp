#include "COnvifWatch.h"

#include "OnvifDiscovery.h"
#include "OnvifReadQueue.h"

#include <QElapsedTimer>
#include <QHash>
#include <QNetworkAccessManager>
#include <QThread>
#include <QTimer>
#include <QUrl>

// What runs in the watch's thread. Every member is used there only.
struct COnvifWatch::Worker
{
    COnvifWatch* pWatch = nullptr;
    QNetworkAccessManager* pManager = nullptr;
    OnvifDiscovery* pDiscovery = nullptr;
    OnvifReadQueue* pReads = nullptr;
    QTimer* pProbeTimer = nullptr;
    int nLostAfterMs = kDefaultLostAfterMs;
    QString strUser;
    QString strPassword;
    QElapsedTimer clock;
    QHash<QString, qint64> lastAnswerMs;        // by endpoint
    QHash<QString, OnvifDeviceRecord> known;    // by endpoint, as last reported
    // Which credentials a device's read was queued with: a refusal under older
    // ones is tried again.
    int nCredentialsGeneration = 0;
    QHash<QString, int> queuedGeneration;

    void Enqueue(const OnvifDeviceRecord& record)
    {
        queuedGeneration.insert(record.endpoint, nCredentialsGeneration);
        pReads->enqueue(record);
    }

    void Found(const OnvifDeviceRecord& record)
    {
        lastAnswerMs.insert(record.endpoint, clock.elapsed());
        // What discovery gives never undoes what a read found.
        OnvifDeviceRecord merged = record;
        const auto previous = known.constFind(record.endpoint);
        if (previous != known.constEnd() && previous->state == OnvifDeviceRecord::State::Read)
            merged = WithDiscovery(*previous, record);
        known.insert(record.endpoint, merged);
        emit pWatch->DeviceSeen(merged);
        Enqueue(merged);
    }

    static OnvifDeviceRecord WithDiscovery(OnvifDeviceRecord read, const OnvifDeviceRecord& discovered)
    {
        // A device announcing another host has moved: until it is read there,
        // that host is its address.
        if (discovered.host != read.host)
            read.ipv4Address = discovered.host;
        read.xaddrs = discovered.xaddrs;
        read.host = discovered.host;
        read.types = discovered.types;
        read.scopes = discovered.scopes;
        read.scopeName = discovered.scopeName;
        read.scopeHardware = discovered.scopeHardware;
        read.metadataVersion = discovered.metadataVersion;
        return read;
    }

    void Read(const OnvifDeviceRecord& record)
    {
        // A device lost while it was read stays gone.
        if (!known.contains(record.endpoint))
            return;
        known.insert(record.endpoint, record);
        emit pWatch->DeviceSeen(record);
        if (record.state == OnvifDeviceRecord::State::CredentialsNeeded
            && queuedGeneration.value(record.endpoint) != nCredentialsGeneration)
            Enqueue(record);
    }

    void Lost(const QString& endpoint)
    {
        lastAnswerMs.remove(endpoint);
        queuedGeneration.remove(endpoint);
        if (known.remove(endpoint) > 0)
            emit pWatch->DeviceLost(endpoint);
    }

    void ForgetSilentDevices()
    {
        const qint64 now = clock.elapsed();
        QStringList silent;
        for (auto it = lastAnswerMs.constBegin(); it != lastAnswerMs.constEnd(); ++it) {
            if (now - it.value() > nLostAfterMs)
                silent.append(it.key());
        }
        for (const QString& endpoint : silent)
            pDiscovery->forget(endpoint); // deviceLost follows
    }

    void ProbeRound()
    {
        ForgetSilentDevices();
        pDiscovery->probe();
    }

    // A device that took a new address is read there, so that what is
    // reported last is the device as it is now.
    void Moved(const QString& endpoint, const QString& serviceUrl)
    {
        const auto found = known.find(endpoint);
        if (found == known.end() || serviceUrl.isEmpty())
            return;
        found->xaddrs = QStringList{ serviceUrl };
        found->host = QUrl(serviceUrl).host();
        found->ipv4Address = found->host;
        Enqueue(*found);
    }

    void ReadRefusedDevicesAgain()
    {
        for (const OnvifDeviceRecord& record : std::as_const(known)) {
            if (record.state == OnvifDeviceRecord::State::CredentialsNeeded)
                Enqueue(record);
        }
    }
};

COnvifWatch::COnvifWatch(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<OnvifDeviceRecord>();
    qRegisterMetaType<OnvifReaddress::Result>();
}

COnvifWatch::~COnvifWatch()
{
    Stop();
}

void COnvifWatch::RunInThread(std::function<void()> work)
{
    if (m_pContext)
        QMetaObject::invokeMethod(m_pContext, std::move(work), Qt::QueuedConnection);
}

bool COnvifWatch::Start(const OnvifDiscoverySettings& settings)
{
    if (m_pThread)
        return true;
    m_pThread = new QThread;
    m_pThread->setObjectName(QStringLiteral("ONVIF watch"));
    m_pContext = new QObject;
    m_pContext->moveToThread(m_pThread);
    m_pThread->start();

    bool bStarted = false;
    QMetaObject::invokeMethod(m_pContext, [this, settings, &bStarted] {
        m_pWorker = new Worker;
        Worker& worker = *m_pWorker;
        worker.pWatch = this;
        worker.clock.start();
        worker.pManager = new QNetworkAccessManager(m_pContext);
        worker.pDiscovery = new OnvifDiscovery(m_pContext);
        worker.pReads = new OnvifReadQueue(worker.pManager, m_pContext);
        worker.pProbeTimer = new QTimer(m_pContext);
        worker.pProbeTimer->setInterval(kDefaultProbeIntervalMs);
        QObject::connect(worker.pDiscovery, &OnvifDiscovery::deviceFound, m_pContext,
                         [&worker](const OnvifDeviceRecord& record) { worker.Found(record); });
        QObject::connect(worker.pDiscovery, &OnvifDiscovery::deviceChanged, m_pContext,
                         [&worker](const OnvifDeviceRecord& record) { worker.Found(record); });
        QObject::connect(worker.pDiscovery, &OnvifDiscovery::deviceAnswered, m_pContext,
                         [&worker](const QString& endpoint) { worker.lastAnswerMs.insert(endpoint, worker.clock.elapsed()); });
        QObject::connect(worker.pDiscovery, &OnvifDiscovery::deviceLost, m_pContext,
                         [&worker](const QString& endpoint) { worker.Lost(endpoint); });
        QObject::connect(worker.pReads, &OnvifReadQueue::deviceRead, m_pContext,
                         [&worker](const OnvifDeviceRecord& record) { worker.Read(record); });
        QObject::connect(worker.pProbeTimer, &QTimer::timeout, m_pContext, [&worker] { worker.ProbeRound(); });
        worker.pDiscovery->setSettings(settings);
        bStarted = worker.pDiscovery->start();
        if (bStarted) {
            worker.pDiscovery->probe();
            worker.pProbeTimer->start();
        }
    }, Qt::BlockingQueuedConnection);
    if (!bStarted)
        Stop();
    return bStarted;
}

void COnvifWatch::Stop()
{
    if (!m_pThread)
        return;
    QMetaObject::invokeMethod(m_pContext, [this] {
        // Children first: the reads and re-addressings use the manager.
        const QList<QObject*> children = m_pContext->children();
        for (QObject* child : children) {
            if (child != m_pWorker->pManager)
                delete child;
        }
        delete m_pWorker->pManager;
        delete m_pWorker;
        m_pWorker = nullptr;
        delete m_pContext;
        m_pContext = nullptr;
    }, Qt::BlockingQueuedConnection);
    m_pThread->quit();
    m_pThread->wait();
    delete m_pThread;
    m_pThread = nullptr;
}

void COnvifWatch::Probe()
{
    RunInThread([this] { m_pWorker->pDiscovery->probe(); });
}

void COnvifWatch::SetLiveness(int nProbeIntervalMs, int nLostAfterMs)
{
    RunInThread([this, nProbeIntervalMs, nLostAfterMs] {
        m_pWorker->nLostAfterMs = nLostAfterMs;
        m_pWorker->pProbeTimer->start(nProbeIntervalMs);
    });
}

void COnvifWatch::SetCredentials(const QString& user, const QString& password)
{
    RunInThread([this, user, password] {
        Worker& worker = *m_pWorker;
        if (worker.strUser == user && worker.strPassword == password)
            return;
        worker.strUser = user;
        worker.strPassword = password;
        ++worker.nCredentialsGeneration;
        worker.pReads->setCredentials(user, password);
        worker.ReadRefusedDevicesAgain();
    });
}

int COnvifWatch::Readdress(const OnvifDeviceRecord& device, const OnvifReaddress::Request& request,
                           const QString& user, const QString& password)
{
    const int id = m_nNextReaddressId++;
    if (!m_pContext) {
        OnvifReaddress::Result result;
        result.failure = OnvifReaddress::Failure::NoAnswer;
        result.reason = QStringLiteral("ONVIF discovery is not running");
        QMetaObject::invokeMethod(this, [this, id, result] { emit ReaddressFinished(id, result); }, Qt::QueuedConnection);
        return id;
    }
    RunInThread([this, id, device, request, user, password] {
        Worker& worker = *m_pWorker;
        auto* pReaddress = new OnvifReaddress(worker.pManager, m_pContext);
        if (!user.isEmpty())
            pReaddress->setCredentials(user, password);
        // A device that announces itself at its new address is back as well.
        QObject::connect(worker.pDiscovery, &OnvifDiscovery::deviceFound, pReaddress, &OnvifReaddress::noteHello);
        QObject::connect(worker.pDiscovery, &OnvifDiscovery::deviceChanged, pReaddress, &OnvifReaddress::noteHello);
        QObject::connect(pReaddress, &OnvifReaddress::finished, m_pContext,
                         [this, id, pReaddress, endpoint = device.endpoint](const OnvifReaddress::Result& result) {
                             pReaddress->deleteLater();
                             if (result.isDone())
                                 m_pWorker->Moved(endpoint, result.newDeviceServiceUrl);
                             emit ReaddressFinished(id, result);
                         });
        pReaddress->start(device, request);
    });
    return id;
}

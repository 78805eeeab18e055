#include "OnvifReadQueue.h"
#include "OnvifDeviceClient.h"

#include <QNetworkAccessManager>

OnvifReadQueue::OnvifReadQueue(QNetworkAccessManager* pManager, QObject* pParent)
    : QObject(pParent), m_pManager(pManager ? pManager : new QNetworkAccessManager(this))
{
}

void OnvifReadQueue::setCredentials(const QString& strUser, const QString& strPassword)
{
    m_strUser = strUser;
    m_strPassword = strPassword;
}

void OnvifReadQueue::enqueue(const OnvifDeviceRecord& record)
{
    for (OnvifDeviceRecord& waiting : m_waiting) {
        if (waiting.endpoint == record.endpoint) {
            waiting = record;
            return;
        }
    }
    m_waiting.append(record);
    startNext();
}

void OnvifReadQueue::startNext()
{
    while (m_nRunning < m_nParallel && !m_waiting.isEmpty()) {
        auto* pClient = new OnvifDeviceClient(m_pManager, this);
        pClient->setDeadline(m_nDeadlineMs);
        if (!m_strUser.isEmpty())
            pClient->setCredentials(m_strUser, m_strPassword);
        connect(pClient, &OnvifDeviceClient::finished, this, [this, pClient](const OnvifDeviceRecord& record) {
            pClient->deleteLater();
            --m_nRunning;
            emit deviceRead(record);
            startNext();
            if (pending() == 0)
                emit idle();
        });
        ++m_nRunning;
        pClient->read(m_waiting.takeFirst());
    }
}

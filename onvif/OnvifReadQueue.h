#pragma once

#include "OnvifDeviceRecord.h"

#include <QObject>
#include <QString>
#include <QVector>

class QNetworkAccessManager;

// Reads many devices with a bound on how many run at once, so that a slow
// camera makes its own record late, never the others. One OnvifDeviceClient
// per running read, all on one QNetworkAccessManager.
class OnvifReadQueue : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultParallel = 8;

    explicit OnvifReadQueue(QNetworkAccessManager* pManager = nullptr, QObject* pParent = nullptr);

    void setCredentials(const QString& strUser, const QString& strPassword);
    void setDeadline(int nMs) { m_nDeadlineMs = nMs; }
    void setParallel(int nParallel) { m_nParallel = qMax(1, nParallel); }

    // Queues a read; a device already waiting (same endpoint) is replaced.
    void enqueue(const OnvifDeviceRecord& record);
    [[nodiscard]] int pending() const { return m_waiting.size() + m_nRunning; }

signals:
    void deviceRead(const OnvifDeviceRecord& record);
    void idle();

private:
    void startNext();

    QNetworkAccessManager* m_pManager;
    QString m_strUser;
    QString m_strPassword;
    int m_nDeadlineMs = 5000;
    int m_nParallel = kDefaultParallel;
    int m_nRunning = 0;
    QVector<OnvifDeviceRecord> m_waiting;
};

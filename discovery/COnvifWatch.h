#pragma once

#include "OnvifDeviceRecord.h"
#include "OnvifDiscoverySettings.h"
#include "OnvifReaddress.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>

class QThread;

// The ONVIF devices on the segment, watched from a thread of its own: discovery
// (probes, Hello, Bye), a read of each device found (a bounded number at once)
// and re-addressing. Records leave the thread by value through the signals,
// which reach receivers of other threads queued. A device that answers no probe
// for a while is reported lost, as one that said Bye.
class COnvifWatch : public QObject
{
    Q_OBJECT
public:
    static constexpr int kDefaultProbeIntervalMs = 20000;
    static constexpr int kDefaultLostAfterMs = 65000;

    explicit COnvifWatch(QObject* parent = nullptr);
    ~COnvifWatch() override;

    // Starts the thread, opens the sockets and sends a first round of probes;
    // false when no socket could be opened.
    bool Start(const OnvifDiscoverySettings& settings);
    // Waits for what runs in the thread to end; nothing is reported after it.
    void Stop();
    bool IsRunning() const { return m_pThread != nullptr; }

    // Each of these may be called from any thread; the work runs in the watch's.
    Q_INVOKABLE void Probe();
    // How often the watch probes, and after how long without an answer a device
    // counts as lost.
    void SetLiveness(int nProbeIntervalMs, int nLostAfterMs);
    // Reads from now on carry these; devices that refused an anonymous read
    // are read again.
    Q_INVOKABLE void SetCredentials(const QString& user, const QString& password);
    // Gives a device a new address; ReaddressFinished carries the returned id.
    int Readdress(const OnvifDeviceRecord& device, const OnvifReaddress::Request& request,
                  const QString& user, const QString& password);

signals:
    // Found, changed, or read: the device as now known.
    void DeviceSeen(const OnvifDeviceRecord& record);
    void DeviceLost(const QString& endpoint);
    void ReaddressFinished(int id, const OnvifReaddress::Result& result);

private:
    struct Worker;

    void RunInThread(std::function<void()> work);

    QThread* m_pThread = nullptr;
    QObject* m_pContext = nullptr; // lives in the thread; the worker's objects hang from it
    Worker* m_pWorker = nullptr;   // touched only in the thread
    std::atomic<int> m_nNextReaddressId{ 1 };
};

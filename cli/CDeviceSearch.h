#pragma once

#include "FoundDevice.h"

#include <QList>
#include <QVector>

#include <chrono>
#include <functional>
#include <memory>

class CDeviceScanner;
class COnvifScanner;
class CSearchOptions;

// The tool's search for devices over the protocols the options select: the
// K-VNT discovery library and ONVIF discovery with a read of each device. A
// device that answers both (the same MAC) is one K-VNT device carrying its
// ONVIF side.
class CDeviceSearch
{
public:
    enum class StartResult { Started, LumoFailed, OnvifFailed };

    CDeviceSearch();
    ~CDeviceSearch();
    CDeviceSearch(const CDeviceSearch&) = delete;
    CDeviceSearch& operator=(const CDeviceSearch&) = delete;

    // ONVIF devices are read as user with the password, or without credentials
    // when the password is null.
    StartResult Start(const CSearchOptions& options, const QString& user, const QByteArray& password);

    // Waits until the time is up or the predicate holds on the devices found,
    // and after the time a little longer for ONVIF reads still running; progress
    // is called now and then with the time left and the device count.
    using Predicate = std::function<bool(const QList<FoundDevice>&)>;
    using Progress = std::function<void(std::chrono::milliseconds left, int found)>;
    void Wait(std::chrono::milliseconds duration, const Predicate& done, const Progress& progress);

    QList<FoundDevice> Devices() const;
    // Only after Start selected the protocol.
    CDeviceScanner& Lumo() { return *m_pLumo; }
    COnvifScanner& Onvif() { return *m_pOnvif; }

    // One entry per device: ONVIF records whose MAC a K-VNT device has are
    // that device's ONVIF side.
    static QList<FoundDevice> Merged(const QList<LUMO_DEVICE_INFO_MY>& lumo, const QVector<OnvifDeviceRecord>& onvif);

private:
    bool IsReading() const;

    std::unique_ptr<CDeviceScanner> m_pLumo;
    std::unique_ptr<COnvifScanner> m_pOnvif;
};

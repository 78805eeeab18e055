#pragma once

#include <QtGlobal>

#include <atomic>

struct LUMO_DEVICE_INFO_MY;
class QString;

// What the discovery callback needs of the device panel. The panel implements
// it; the callback reaches it through g_pQtLumo, from whatever thread the
// discovery library (or an embedding host) calls on.
class CLumoDeviceSink
{
public:
    virtual ~CLumoDeviceSink() = default;

    // Filters; they read only data fixed at construction, so any thread may call them.
    virtual bool IsExcludedDeviceClass(quint32 classCode) const = 0;
    virtual bool IsAcceptedModel(const QString& deviceType) const = 0;

    // Appends the record to the device list under the panel mutex.
    virtual void AppendDeviceRecord(const LUMO_DEVICE_INFO_MY& info) = 0;

    // Emit the panel's signals; the slots run on the panel's thread.
    virtual void EmitDeviceOnline(const LUMO_DEVICE_INFO_MY& info) = 0;
    virtual void EmitDeviceUpdate(const LUMO_DEVICE_INFO_MY& info) = 0;
    virtual void EmitDeviceOffline(const QString& serial, const QString& mac) = 0;
};

// The one device panel of the process, set by its constructor and cleared by
// its destructor; the discovery thread reads it, hence atomic.
extern std::atomic<CLumoDeviceSink*> g_pQtLumo;

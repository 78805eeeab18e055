#pragma once

#include "LumoDeviceInfo.h"

#include <QByteArray>

#include <memory>
#include <vector>

// The panel's store of device records, in arrival order. Records are looked
// up by serial number and MAC; a compact key array keeps those searches and
// removals cheap with thousands of devices. Not thread-safe: the panel guards
// it with its mutex.
class CDeviceRecordList
{
public:
    CDeviceRecordList();
    ~CDeviceRecordList();

    int Count() const { return int(m_records.size()); }
    const LUMO_DEVICE_INFO_MY& At(int position) const { return *m_records[std::size_t(position)]; }

    void Append(const LUMO_DEVICE_INFO_MY& info);
    // Position of the first record among the first `limit` whose serial and
    // MAC equal the given 8-bit texts, or -1.
    int IndexOf(const QByteArray& serial, const QByteArray& mac, int limit) const;
    // Position of the last record whose serial and MAC equal the given texts, or -1.
    int LastIndexOf(const QByteArray& serial, const QByteArray& mac) const;
    void RemoveAt(int position);
    void Replace(int position, const LUMO_DEVICE_INFO_MY& info);
    void Clear();

private:
    static quint64 KeyOf(const QByteArray& serial, const QByteArray& mac);
    static quint64 KeyOf(const LUMO_DEVICE_INFO_MY& info);

    std::vector<std::unique_ptr<LUMO_DEVICE_INFO_MY>> m_records;
    std::vector<quint64> m_keys;
};

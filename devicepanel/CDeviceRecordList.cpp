#include "CDeviceRecordList.h"

#include <QHashFunctions>

#include <algorithm>

CDeviceRecordList::CDeviceRecordList() = default;
CDeviceRecordList::~CDeviceRecordList() = default;

quint64 CDeviceRecordList::KeyOf(const QByteArray& serial, const QByteArray& mac)
{
    return quint64(qHashBits(serial.constData(), std::size_t(serial.size()), qHashBits(mac.constData(), std::size_t(mac.size()))));
}

quint64 CDeviceRecordList::KeyOf(const LUMO_DEVICE_INFO_MY& info)
{
    return quint64(qHashBits(info.serial, std::size_t(FieldLength(info.serial)),
                             qHashBits(info.mac, std::size_t(FieldLength(info.mac)))));
}

void CDeviceRecordList::Append(const LUMO_DEVICE_INFO_MY& info)
{
    m_records.push_back(std::make_unique<LUMO_DEVICE_INFO_MY>(info));
    m_keys.push_back(KeyOf(info));
}

int CDeviceRecordList::IndexOf(const QByteArray& serial, const QByteArray& mac, int limit) const
{
    const quint64 key = KeyOf(serial, mac);
    const std::size_t end = std::min(m_keys.size(), std::size_t(std::max(limit, 0)));
    for (std::size_t position = 0; position < end; ++position) {
        if (m_keys[position] != key)
            continue;
        const LUMO_DEVICE_INFO_MY& record = *m_records[position];
        if (FieldEquals(record.serial, serial) && FieldEquals(record.mac, mac))
            return int(position);
    }
    return -1;
}

int CDeviceRecordList::LastIndexOf(const QByteArray& serial, const QByteArray& mac) const
{
    const quint64 key = KeyOf(serial, mac);
    for (std::size_t position = m_keys.size(); position-- > 0;) {
        const LUMO_DEVICE_INFO_MY& record = *m_records[position];
        if (m_keys[position] == key && FieldEquals(record.serial, serial) && FieldEquals(record.mac, mac))
            return int(position);
    }
    return -1;
}

void CDeviceRecordList::RemoveAt(int position)
{
    m_records.erase(m_records.begin() + position);
    m_keys.erase(m_keys.begin() + position);
}

void CDeviceRecordList::Replace(int position, const LUMO_DEVICE_INFO_MY& info)
{
    *m_records[std::size_t(position)] = info;
    m_keys[std::size_t(position)] = KeyOf(info);
}

void CDeviceRecordList::Clear()
{
    m_records.clear();
    m_keys.clear();
}

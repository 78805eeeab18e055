#pragma once

#include "LumoDeviceInfo.h"

#include <QList>
#include <QString>
#include <QStringList>

struct CsvRecord;

// What one line of a plan asks for; empty texts keep the device's value.
struct PlanEntry
{
    int nLine = 0; // 0 when the entry comes from the command line
    QString strSerial;
    QString strMac;
    QString strAddress;
    QString strMask;
    QString strGateway;
    QString strPort;
};

// The new network parameters of one found device.
struct PlannedChange
{
    int nLine = 0;
    LUMO_DEVICE_INFO_MY device {};
    QString strAddress;
    QString strMask;
    QString strGateway;
    int nPort = 0;
};

// A site plan: which device (serial number or MAC) gets which IPv4 address,
// mask, gateway and port. The whole plan is checked before anything is sent;
// each problem names its line. The changes come out in an order in which no
// device takes an address another planned device still holds.
class CSitePlan
{
public:
    // Reads the header row and the lines of a plan.
    bool Read(const QList<CsvRecord>& records);
    // A plan of one entry (the set command).
    bool SetEntry(const PlanEntry& entry);
    // Matches every entry to one of the devices found and checks the plan
    // against them. Devices of other models are refused unless allModels.
    bool Check(const QList<LUMO_DEVICE_INFO_MY>& devices, bool allModels);

    const QList<PlanEntry>& Entries() const { return m_entries; }
    const QList<PlannedChange>& Changes() const { return m_changes; }
    // One text per problem, by line, "line N: ..." where the problem has a line.
    QStringList Problems() const;

    static bool IsListedModel(const LUMO_DEVICE_INFO_MY& device);
    static bool IsReadOnlyClass(const LUMO_DEVICE_INFO_MY& device);
    // MAC texts compare without regard to case or to "-" versus ":".
    static QString NormalisedMac(const QString& mac);
    // The devices an entry names by serial number and/or MAC.
    static QList<int> MatchingDevices(const QList<LUMO_DEVICE_INFO_MY>& devices, const QString& serial,
                                      const QString& mac);
    static QString DeviceName(const LUMO_DEVICE_INFO_MY& device);

private:
    bool ReadHeader(const QStringList& header);
    void ReadLine(const CsvRecord& record);
    bool CheckEntry(PlanEntry& entry);
    struct DeviceIndex;

    bool Match(const PlanEntry& entry, const DeviceIndex& index, bool allModels, PlannedChange* change);
    bool CheckSubnet(const PlannedChange& change);
    void CheckDuplicateAddresses();
    void CheckAddressOwners(const QList<PlannedChange>& changes, const DeviceIndex& index);
    void OrderChanges(QList<PlannedChange> changes);
    void AddProblem(int line, const QString& text);

    QStringList m_columns;
    QList<PlanEntry> m_entries;
    QList<PlannedChange> m_changes;
    struct Problem
    {
        int nLine;
        QString strText;
    };

    QList<Problem> m_problems;
};

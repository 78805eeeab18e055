#pragma once

#include "FoundDevice.h"

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
    QString strEndpoint; // an ONVIF device's endpoint (a URN)
    QString strAddress;
    QString strMask;
    QString strGateway;
    QString strPort;
};

// The new network parameters of one found device.
struct PlannedChange
{
    int nLine = 0;
    FoundDevice device;
    QString strAddress;
    QString strMask;
    QString strGateway; // empty: an ONVIF device keeps its gateway
    int nPort = 0;
};

// A site plan: which device (serial number, MAC or ONVIF endpoint) gets which
// IPv4 address, mask, gateway and port; K-VNT and ONVIF devices alike. The whole plan is checked before anything is sent;
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
    // against them. K-VNT devices of other models are refused unless allModels;
    // ONVIF devices are set whatever their make, once they have been read.
    bool Check(const QList<FoundDevice>& devices, bool allModels);

    const QList<PlanEntry>& Entries() const { return m_entries; }
    const QList<PlannedChange>& Changes() const { return m_changes; }
    // One text per problem, by line, "line N: ..." where the problem has a line.
    QStringList Problems() const;

    static bool IsListedModel(const FoundDevice& device);
    static bool IsReadOnlyClass(const FoundDevice& device);
    // MAC texts compare without regard to case or to "-" versus ":".
    static QString NormalisedMac(const QString& mac);
    // A device named on the command line by its endpoint: "urn:..." or "uuid:...".
    static bool IsEndpointText(const QString& text);
    // The devices an entry names by serial number, MAC and/or endpoint.
    static QList<int> MatchingDevices(const QList<FoundDevice>& devices, const QString& serial,
                                      const QString& mac, const QString& endpoint = QString());
    // Serial number and MAC, or the endpoint, printable (see PrintableText).
    static QString DeviceName(const FoundDevice& device);

private:
    bool ReadHeader(const QStringList& header);
    void ReadLine(const CsvRecord& record);
    bool CheckEntry(PlanEntry& entry);
    struct DeviceIndex;

    bool Match(const PlanEntry& entry, const DeviceIndex& index, bool allModels, PlannedChange* change);
    bool CheckDevice(const PlanEntry& entry, const FoundDevice& device, bool allModels);
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

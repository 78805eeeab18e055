#include "CSitePlan.h"

#include "CCsvReader.h"
#include "Ipv4Text.h"
#include "PrintableText.h"

#include <InputChecks.h>

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

const QString kSerial = QStringLiteral("serial");
const QString kMac = QStringLiteral("mac");
const QString kEndpoint = QStringLiteral("endpoint");
const QString kIp = QStringLiteral("ip");
const QString kMask = QStringLiteral("mask");
const QString kGateway = QStringLiteral("gateway");
const QString kPort = QStringLiteral("port");

constexpr int kLowestPort = 2000;
constexpr int kHighestPort = 65535;

// Cells of a plan, quoted in a problem.
QString Quoted(const QString& text)
{
    return QLatin1Char('"') + PrintableText(text) + QLatin1Char('"');
}

// Addresses no device on a segment can take, though their form is valid.
bool IsReservedHost(quint32 address)
{
    const quint32 first = address >> 24;
    return first == 0 || first == 127 || first >= 224;
}

// Serial number and MAC: the identity of a K-VNT device; the endpoint that
// of an ONVIF device.
QByteArray IdentityOf(const FoundDevice& device)
{
    if (device.IsOnvif())
        return "onvif\0" + device.Endpoint().toUtf8();
    return FieldBytes(device.lumo.serial) + '\0' + FieldBytes(device.lumo.mac);
}

QString CurrentAddress(const FoundDevice& device)
{
    return NormalisedIpv4(device.Ipv4Address());
}

} // namespace

// The devices found, looked up by serial number, MAC and current address.
struct CSitePlan::DeviceIndex
{
    explicit DeviceIndex(const QList<FoundDevice>& found)
        : devices(found)
    {
        for (int i = 0; i < devices.size(); ++i)
            byAddress.insert(CurrentAddress(devices[i]), i);
    }

    QList<int> Matching(const QString& serial, const QString& mac, const QString& endpoint) const
    {
        return MatchingDevices(devices, serial, mac, endpoint);
    }

    const QList<FoundDevice>& devices;
    QMultiHash<QString, int> byAddress;
};

bool CSitePlan::IsListedModel(const FoundDevice& device)
{
    const QString model = FieldLatin1(device.lumo.deviceTypeText);
    return device.IsLumo() && (model == QLatin1String("K-VNT1C") || model == QLatin1String("K-VNT4C"));
}

bool CSitePlan::IsReadOnlyClass(const FoundDevice& device)
{
    const quint32 deviceClass = quint32(device.lumo.deviceClass);
    return device.IsLumo() && deviceClass >= 0x9D00 && deviceClass <= 0x9FFF;
}

bool CSitePlan::IsEndpointText(const QString& text)
{
    const QString trimmed = text.trimmed();
    return trimmed.startsWith(QLatin1String("urn:"), Qt::CaseInsensitive)
        || trimmed.startsWith(QLatin1String("uuid:"), Qt::CaseInsensitive);
}

QString CSitePlan::NormalisedMac(const QString& mac)
{
    QString text = mac.trimmed().toUpper();
    text.replace(u'-', u':');
    return text;
}

QString CSitePlan::DeviceName(const FoundDevice& device)
{
    // An ONVIF device that was not read is known by its endpoint only.
    if (device.Serial().isEmpty() && device.Mac().isEmpty() && !device.Endpoint().isEmpty())
        return PrintableText(device.Endpoint());
    return PrintableText(QStringLiteral("%1 (MAC %2)").arg(device.Serial(), device.Mac()));
}

QList<int> CSitePlan::MatchingDevices(const QList<FoundDevice>& devices, const QString& serial,
                                      const QString& mac, const QString& endpoint)
{
    QList<int> found;
    const QString wantedMac = NormalisedMac(mac);
    for (int i = 0; i < devices.size(); ++i) {
        const FoundDevice& device = devices[i];
        if (!serial.isEmpty() && device.Serial().compare(serial, Qt::CaseInsensitive) != 0)
            continue;
        if (!mac.isEmpty() && NormalisedMac(device.Mac()) != wantedMac)
            continue;
        if (!endpoint.isEmpty() && device.Endpoint().compare(endpoint.trimmed(), Qt::CaseInsensitive) != 0)
            continue;
        found.append(i);
    }
    return found;
}

void CSitePlan::AddProblem(int line, const QString& text)
{
    m_problems.append(Problem { line, text });
}

QStringList CSitePlan::Problems() const
{
    QList<Problem> sorted = m_problems;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Problem& a, const Problem& b) { return a.nLine < b.nLine; });
    QStringList texts;
    for (const Problem& problem : sorted)
        texts.append(problem.nLine > 0 ? QStringLiteral("line %1: %2").arg(problem.nLine).arg(problem.strText)
                                       : problem.strText);
    return texts;
}

bool CSitePlan::Read(const QList<CsvRecord>& records)
{
    m_entries.clear();
    m_problems.clear();
    if (records.isEmpty()) {
        AddProblem(0, QStringLiteral("the plan is empty; its first line names the columns, e.g. serial,ip,mask,gateway"));
        return false;
    }
    if (!ReadHeader(records.front().fields)) {
        for (Problem& problem : m_problems)
            problem.nLine = records.front().nLine;
        return false;
    }
    for (int i = 1; i < records.size(); ++i)
        ReadLine(records[i]);
    CheckDuplicateAddresses();
    if (m_entries.isEmpty() && m_problems.isEmpty())
        AddProblem(0, QStringLiteral("the plan names no device; add one line per device below the header"));
    return m_problems.isEmpty();
}

bool CSitePlan::ReadHeader(const QStringList& header)
{
    static const QStringList known = { kSerial, kMac, kEndpoint, kIp, kMask, kGateway, kPort };
    m_columns.clear();
    for (const QString& cell : header) {
        const QString name = cell.trimmed().toLower();
        if (!known.contains(name))
            AddProblem(0, QStringLiteral("unknown column %1; the columns are serial, mac or endpoint, ip, and "
                                         "optionally mask, gateway and port").arg(Quoted(cell.trimmed())));
        else if (m_columns.contains(name))
            AddProblem(0, QStringLiteral("column %1 appears twice").arg(name));
        m_columns.append(name);
    }
    if (!m_columns.contains(kIp))
        AddProblem(0, QStringLiteral("the header has no ip column"));
    if (!m_columns.contains(kSerial) && !m_columns.contains(kMac) && !m_columns.contains(kEndpoint))
        AddProblem(0, QStringLiteral("the header has neither a serial nor a mac column"));
    return m_problems.isEmpty();
}

void CSitePlan::ReadLine(const CsvRecord& record)
{
    const QStringList& fields = record.fields;
    // Spreadsheets may save empty cells past the last column.
    bool onlyEmptyExtra = true;
    for (int i = m_columns.size(); i < fields.size(); ++i)
        onlyEmptyExtra = onlyEmptyExtra && fields[i].trimmed().isEmpty();
    if (fields.size() < m_columns.size() || !onlyEmptyExtra) {
        AddProblem(record.nLine, QStringLiteral("%1 fields where the header names %2 columns")
                                     .arg(fields.size()).arg(m_columns.size()));
        return;
    }
    PlanEntry entry;
    entry.nLine = record.nLine;
    QString* targets[] = { &entry.strSerial, &entry.strMac, &entry.strEndpoint, &entry.strAddress,
                           &entry.strMask, &entry.strGateway, &entry.strPort };
    static const QStringList order = { kSerial, kMac, kEndpoint, kIp, kMask, kGateway, kPort };
    for (int i = 0; i < m_columns.size(); ++i)
        *targets[order.indexOf(m_columns[i])] = fields[i].trimmed();
    if (CheckEntry(entry))
        m_entries.append(entry);
}

bool CSitePlan::SetEntry(const PlanEntry& entry)
{
    m_entries.clear();
    m_problems.clear();
    PlanEntry checked = entry;
    if (CheckEntry(checked))
        m_entries.append(checked);
    return m_problems.isEmpty();
}

bool CSitePlan::CheckEntry(PlanEntry& entry)
{
    const int line = entry.nLine;
    const int before = m_problems.size();
    if (entry.strSerial.isEmpty() && entry.strMac.isEmpty() && entry.strEndpoint.isEmpty())
        AddProblem(line, QStringLiteral("no serial number, MAC or endpoint says which device this is"));
    if (!entry.strMac.isEmpty() && !IsValidMAC(NormalisedMac(entry.strMac)))
        AddProblem(line, QStringLiteral("mac %1 is not a MAC address such as 02:4C:55:00:00:01").arg(Quoted(entry.strMac)));
    quint32 address = 0;
    if (entry.strAddress.isEmpty())
        AddProblem(line, QStringLiteral("no ip address"));
    else if (!IsValidIPv4(entry.strAddress) || !ParseIpv4(entry.strAddress, &address))
        AddProblem(line, QStringLiteral("ip %1 is not an IPv4 address").arg(Quoted(entry.strAddress)));
    else if (IsReservedHost(address))
        AddProblem(line, QStringLiteral("ip %1 is a loopback, multicast or reserved address").arg(entry.strAddress));
    if (!entry.strMask.isEmpty() && !IsValidSubnetMask(entry.strMask))
        AddProblem(line, QStringLiteral("mask %1 is not a subnet mask such as 255.255.255.0").arg(Quoted(entry.strMask)));
    if (!entry.strGateway.isEmpty() && !IsValidGateway(entry.strGateway))
        AddProblem(line, QStringLiteral("gateway %1 is not an IPv4 address").arg(Quoted(entry.strGateway)));
    if (!entry.strPort.isEmpty()) {
        bool ok = false;
        const int port = entry.strPort.toInt(&ok);
        if (!ok || port < kLowestPort || port > kHighestPort)
            AddProblem(line, QStringLiteral("port %1 is not a number from %2 to %3")
                                 .arg(Quoted(entry.strPort)).arg(kLowestPort).arg(kHighestPort));
    }
    entry.strAddress = NormalisedIpv4(entry.strAddress);
    entry.strGateway = NormalisedIpv4(entry.strGateway);
    return m_problems.size() == before;
}

bool CSitePlan::Check(const QList<FoundDevice>& devices, bool allModels)
{
    m_changes.clear();
    const DeviceIndex index(devices);
    QList<PlannedChange> changes;
    QHash<QByteArray, int> lineOfDevice;
    for (const PlanEntry& entry : m_entries) {
        PlannedChange change;
        if (!Match(entry, index, allModels, &change))
            continue;
        const QByteArray identity = IdentityOf(change.device);
        if (lineOfDevice.contains(identity)) {
            AddProblem(entry.nLine, QStringLiteral("device %1 is already planned on line %2")
                                        .arg(DeviceName(change.device)).arg(lineOfDevice.value(identity)));
            continue;
        }
        lineOfDevice.insert(identity, entry.nLine);
        if (CheckSubnet(change))
            changes.append(change);
    }
    CheckAddressOwners(changes, index);
    if (m_problems.isEmpty())
        OrderChanges(changes);
    return m_problems.isEmpty();
}

bool CSitePlan::Match(const PlanEntry& entry, const DeviceIndex& index, bool allModels, PlannedChange* change)
{
    const QList<FoundDevice>& devices = index.devices;
    const int line = entry.nLine;
    const QList<int> found = index.Matching(entry.strSerial, entry.strMac, entry.strEndpoint);
    QStringList names;
    if (!entry.strSerial.isEmpty())
        names.append(QStringLiteral("serial number %1").arg(PrintableText(entry.strSerial)));
    if (!entry.strMac.isEmpty())
        names.append(QStringLiteral("MAC %1").arg(PrintableText(entry.strMac)));
    if (!entry.strEndpoint.isEmpty())
        names.append(QStringLiteral("endpoint %1").arg(PrintableText(entry.strEndpoint)));
    const QString wanted = names.join(QStringLiteral(" and "));
    if (found.isEmpty()) {
        AddProblem(line, QStringLiteral("no device with %1 answered; check that it is on and on this network "
                                        "segment, or search longer with --wait").arg(wanted));
        return false;
    }
    if (found.size() > 1) {
        const QString hint = entry.strMac.isEmpty() ? QStringLiteral("name the device by its MAC")
                                                    : QStringLiteral("give its serial number as well");
        AddProblem(line, QStringLiteral("%1 devices have %2; %3").arg(found.size()).arg(wanted, hint));
        return false;
    }
    const FoundDevice& device = devices[found.front()];
    if (!CheckDevice(entry, device, allModels))
        return false;
    change->nLine = line;
    change->device = device;
    change->strAddress = entry.strAddress;
    change->strMask = entry.strMask.isEmpty() ? NormalisedIpv4(device.Ipv4Mask()) : entry.strMask;
    change->strGateway = entry.strGateway.isEmpty() ? NormalisedIpv4(device.Ipv4Gateway()) : entry.strGateway;
    change->nPort = entry.strPort.isEmpty() ? device.Port() : entry.strPort.toInt();
    return true;
}

bool CSitePlan::CheckDevice(const PlanEntry& entry, const FoundDevice& device, bool allModels)
{
    const int line = entry.nLine;
    if (device.IsOnvif()) {
        if (!device.IsOnvifRead()) {
            AddProblem(line, QStringLiteral("ONVIF device %1 could not be read (%2); check the user (--user) and the "
                                            "password").arg(DeviceName(device), device.onvif.error.isEmpty()
                                                                                       ? OnvifDeviceStateName(device.onvif.state)
                                                                                       : PrintableText(device.onvif.error)));
            return false;
        }
        if (!entry.strPort.isEmpty() && entry.strPort.toInt() != device.Port()) {
            AddProblem(line, QStringLiteral("device %1 is an ONVIF device, whose port is not set here; leave the port "
                                            "empty").arg(DeviceName(device)));
            return false;
        }
        return true;
    }
    if (!allModels && !IsListedModel(device)) {
        AddProblem(line, QStringLiteral("device %1 is a %2, a model not set up by default; add --all-models to include it")
                             .arg(DeviceName(device), PrintableText(device.Model())));
        return false;
    }
    if (IsReadOnlyClass(device)) {
        AddProblem(line, QStringLiteral("device %1 is of class 0x%2, which does not take network parameters")
                             .arg(DeviceName(device), QString::number(quint32(device.lumo.deviceClass), 16).toUpper()));
        return false;
    }
    if (entry.strGateway.isEmpty() && device.lumo.extendedValid != 1) {
        AddProblem(line, QStringLiteral("device %1 does not report its gateway; give one in the gateway column "
                                        "(0.0.0.0 for none)").arg(DeviceName(device)));
        return false;
    }
    return true;
}

bool CSitePlan::CheckSubnet(const PlannedChange& change)
{
    quint32 address = 0;
    quint32 mask = 0;
    quint32 gateway = 0;
    ParseIpv4(change.strAddress, &address);
    if (!ParseIpv4(change.strMask, &mask) || !IsValidSubnetMask(change.strMask)) {
        AddProblem(change.nLine, QStringLiteral("device %1 reports mask %2, which is not a subnet mask; give one "
                                                "in the mask column").arg(DeviceName(change.device), Quoted(change.strMask)));
        return false;
    }
    const quint32 host = address & ~mask;
    if (host == 0 || host == ~mask) {
        AddProblem(change.nLine, QStringLiteral("ip %1 is the %2 address of the subnet %1/%3")
                                     .arg(change.strAddress, host == 0 ? QStringLiteral("network") : QStringLiteral("broadcast"),
                                          change.strMask));
        return false;
    }
    if (change.strGateway.isEmpty() || !ParseIpv4(change.strGateway, &gateway) || gateway == 0)
        return true;
    if (gateway == address || (gateway & mask) != (address & mask)) {
        AddProblem(change.nLine, QStringLiteral("gateway %1 is %2 the subnet of ip %3 with mask %4; give a gateway "
                                                "in that subnet (or 0.0.0.0 for none)")
                                     .arg(change.strGateway, gateway == address ? QStringLiteral("the device itself, not a router in")
                                                                                : QStringLiteral("outside"),
                                          change.strAddress, change.strMask));
        return false;
    }
    return true;
}

void CSitePlan::CheckDuplicateAddresses()
{
    QHash<QString, int> firstLine;
    for (const PlanEntry& entry : m_entries) {
        const auto first = firstLine.constFind(entry.strAddress);
        if (first == firstLine.cend())
            firstLine.insert(entry.strAddress, entry.nLine);
        else
            AddProblem(entry.nLine, QStringLiteral("address %1 is also planned on line %2").arg(entry.strAddress).arg(*first));
    }
}

void CSitePlan::CheckAddressOwners(const QList<PlannedChange>& changes, const DeviceIndex& index)
{
    QSet<QByteArray> planned;
    for (const PlannedChange& change : changes)
        planned.insert(IdentityOf(change.device));
    for (const PlannedChange& change : changes) {
        const QList<int> holders = index.byAddress.values(change.strAddress);
        for (int i : holders) {
            if (!planned.contains(IdentityOf(index.devices[i]))) {
                AddProblem(change.nLine, QStringLiteral("address %1 belongs to device %2, which is not in the plan")
                                             .arg(change.strAddress, DeviceName(index.devices[i])));
                break;
            }
        }
    }
}

void CSitePlan::OrderChanges(QList<PlannedChange> pending)
{
    // A device may take an address another planned device still holds only
    // after that device has moved on.
    QHash<QString, int> holders; // current addresses of the devices still to move
    for (const PlannedChange& change : pending)
        ++holders[CurrentAddress(change.device)];
    auto isFree = [&](const PlannedChange& change) {
        const int own = CurrentAddress(change.device) == change.strAddress ? 1 : 0;
        return holders.value(change.strAddress) - own == 0;
    };
    auto waitsFor = [&](int i) {
        for (int j = 0; j < pending.size(); ++j) {
            if (j != i && CurrentAddress(pending[j].device) == pending[i].strAddress)
                return j;
        }
        return -1;
    };
    while (!pending.isEmpty()) {
        int ready = -1;
        for (int i = 0; i < pending.size() && ready < 0; ++i) {
            if (isFree(pending[i]))
                ready = i;
        }
        if (ready < 0) {
            for (int i = 0; i < pending.size(); ++i)
                AddProblem(pending[i].nLine, QStringLiteral("address %1 is held by the device of line %2, which "
                                                            "cannot move first; give one of them a free address first")
                                                 .arg(pending[i].strAddress).arg(pending[waitsFor(i)].nLine));
            m_changes.clear();
            return;
        }
        --holders[CurrentAddress(pending[ready].device)];
        m_changes.append(pending.takeAt(ready));
    }
}

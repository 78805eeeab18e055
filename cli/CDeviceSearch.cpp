#include "CDeviceSearch.h"

#include "CDeviceScanner.h"
#include "COnvifScanner.h"
#include "CSearchOptions.h"
#include "CSitePlan.h"
#include "OnvifDiscoverySettings.h"

#include <QByteArray>
#include <QEventLoop>
#include <QHash>
#include <QTimer>

namespace {

constexpr std::chrono::milliseconds kProgressInterval(200);
constexpr std::chrono::milliseconds kPollInterval(20);
// How long ONVIF reads still running at the end of the search may take.
constexpr std::chrono::milliseconds kReadGrace(6000);

// Lets the ONVIF sockets and reads run for a while; K-VNT reports come in on
// the library's own thread meanwhile.
void TurnEventLoop(std::chrono::milliseconds duration)
{
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// Direct probes of the K-VNT library: its targets are read from the
// environment when it starts (127.0.0.1 when none are set).
void AddLumoTargets(const QStringList& targets)
{
    if (targets.isEmpty())
        return;
    QStringList all = qEnvironmentVariableIsSet("LUMO_TARGETS")
        ? qEnvironmentVariable("LUMO_TARGETS").split(QLatin1Char(','), Qt::SkipEmptyParts)
        : QStringList { QStringLiteral("127.0.0.1") };
    all += targets;
    qputenv("LUMO_TARGETS", all.join(QLatin1Char(',')).toLatin1());
}

} // namespace

CDeviceSearch::CDeviceSearch() = default;

CDeviceSearch::~CDeviceSearch() = default;

CDeviceSearch::StartResult CDeviceSearch::Start(const CSearchOptions& options, const QString& user,
                                                const QByteArray& password)
{
    if (options.UsesLumo()) {
        AddLumoTargets(options.Targets());
        m_pLumo = std::make_unique<CDeviceScanner>();
        if (!m_pLumo->Start())
            return StartResult::LumoFailed;
    }
    if (options.UsesOnvif()) {
        OnvifDiscoverySettings settings = OnvifDiscoverySettings::fromEnvironment();
        for (const QString& target : options.Targets())
            settings.targets.append({ QHostAddress(target), OnvifDiscoverySettings::kPort });
        m_pOnvif = std::make_unique<COnvifScanner>();
        if (!password.isNull())
            m_pOnvif->SetCredentials(user, QString::fromLatin1(password));
        if (!m_pOnvif->Start(settings))
            return StartResult::OnvifFailed;
    }
    return StartResult::Started;
}

bool CDeviceSearch::IsReading() const
{
    return m_pOnvif && m_pOnvif->IsReading();
}

void CDeviceSearch::Wait(std::chrono::milliseconds duration, const Predicate& done, const Progress& progress)
{
    // Polled rather than woken per report: thousands of answers in a burst
    // cost one look every few milliseconds, not one each.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + duration;
    Clock::time_point nextProgress = start;
    for (;;) {
        const QList<FoundDevice> devices = Devices();
        if (done && done(devices))
            return;
        const Clock::time_point now = Clock::now();
        if (now >= deadline && (!IsReading() || now >= deadline + kReadGrace))
            return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(std::max(deadline - now, Clock::duration::zero()));
        if (progress && now >= nextProgress) {
            progress(left, int(devices.size()));
            nextProgress = now + kProgressInterval;
        }
        TurnEventLoop(left.count() > 0 ? std::min(left, kPollInterval) : kPollInterval);
    }
}

QList<FoundDevice> CDeviceSearch::Devices() const
{
    return Merged(m_pLumo ? m_pLumo->Devices() : QList<LUMO_DEVICE_INFO_MY>(),
                  m_pOnvif ? m_pOnvif->Devices() : QVector<OnvifDeviceRecord>());
}

QList<FoundDevice> CDeviceSearch::Merged(const QList<LUMO_DEVICE_INFO_MY>& lumo, const QVector<OnvifDeviceRecord>& onvif)
{
    QList<FoundDevice> devices;
    QHash<QString, int> byMac;
    for (const LUMO_DEVICE_INFO_MY& info : lumo) {
        byMac.insert(CSitePlan::NormalisedMac(FieldLatin1(info.mac)), int(devices.size()));
        devices.append(FoundDevice(info));
    }
    for (const OnvifDeviceRecord& record : onvif) {
        const auto twin = record.mac.isEmpty() ? byMac.constEnd() : byMac.constFind(CSitePlan::NormalisedMac(record.mac));
        if (twin == byMac.constEnd()) {
            devices.append(FoundDevice::FromOnvif(record));
            continue;
        }
        FoundDevice& device = devices[*twin];
        device.onvif = record;
        device.bHasOnvif = true;
    }
    return devices;
}

#include "CSearchOptions.h"

#include "Ipv4Text.h"

#include <QCommandLineParser>

namespace {

const QString kProtocol = QStringLiteral("protocol");
const QString kTarget = QStringLiteral("target");
const QString kUser = QStringLiteral("user");

} // namespace

void CSearchOptions::AddTo(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(kProtocol, QString(), QStringLiteral("protocol"), QStringLiteral("all")));
    parser.addOption(QCommandLineOption(kTarget, QString(), QStringLiteral("address")));
    parser.addOption(QCommandLineOption(kUser, QString(), QStringLiteral("user")));
}

bool CSearchOptions::Read(const QCommandLineParser& parser, QString* problem)
{
    const QString protocol = parser.value(kProtocol).trimmed().toLower();
    m_bLumo = protocol == QLatin1String("lumo") || protocol == QLatin1String("all");
    m_bOnvif = protocol == QLatin1String("onvif") || protocol == QLatin1String("all");
    if (!m_bLumo && !m_bOnvif) {
        *problem = QStringLiteral("--protocol is lumo, onvif or all, not \"%1\"").arg(parser.value(kProtocol));
        return false;
    }
    m_targets.clear();
    for (const QString& value : parser.values(kTarget)) {
        quint32 address = 0;
        if (!ParseIpv4(value.trimmed(), &address)) {
            *problem = QStringLiteral("--target \"%1\" is not an IPv4 address").arg(value);
            return false;
        }
        m_targets.append(FormatIpv4(address));
    }
    m_bUserGiven = parser.isSet(kUser) || qEnvironmentVariableIsSet("TALDOR_USER");
    m_strUser = parser.isSet(kUser) ? parser.value(kUser) : qEnvironmentVariable("TALDOR_USER", QStringLiteral("admin"));
    if (m_strUser.isEmpty()) {
        *problem = QStringLiteral("the user name is empty");
        return false;
    }
    return true;
}

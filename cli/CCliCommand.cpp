#include "CCliCommand.h"

#include "CLumoDiscovery.h"

#include <QByteArray>
#include <QCommandLineParser>

namespace {

constexpr std::chrono::milliseconds kDefaultWait(3000);
constexpr double kLongestWaitSeconds = 600.0;

QString WaitOptionName()
{
    return QStringLiteral("wait");
}

} // namespace

CCliCommand::CCliCommand()
    : m_wait(kDefaultWait)
{
}

CCliCommand::~CCliCommand() = default;

int CCliCommand::Run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.addOption(QCommandLineOption(QStringList { QStringLiteral("h"), QStringLiteral("help") }));
    parser.addOption(QCommandLineOption(WaitOptionName(), QString(), QStringLiteral("seconds")));
    CSearchOptions::AddTo(parser);
    AddOptions(parser);
    if (!parser.parse(QStringList { QStringLiteral("taldor-ip") } + arguments))
        return UsageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        CConsole::Out(HelpText().toUtf8());
        return ExitDone;
    }
    if (!ReadWait(parser))
        return ExitRefused;
    QString problem;
    if (!m_search.Read(parser, &problem))
        return UsageError(problem);
    return Execute(parser);
}

bool CCliCommand::ReadWait(const QCommandLineParser& parser)
{
    if (!parser.isSet(WaitOptionName()))
        return true;
    bool ok = false;
    const double seconds = parser.value(WaitOptionName()).toDouble(&ok);
    if (!ok || seconds <= 0.0 || seconds > kLongestWaitSeconds) {
        UsageError(QStringLiteral("--wait takes a number of seconds above 0 and up to %1").arg(kLongestWaitSeconds));
        return false;
    }
    m_wait = std::chrono::milliseconds(qint64(seconds * 1000.0));
    return true;
}

int CCliCommand::UsageError(const QString& text) const
{
    CConsole::Error(QStringLiteral("taldor-ip %1: %2\nSee 'taldor-ip %1 --help'.\n").arg(Name(), text));
    return ExitRefused;
}

int CCliCommand::Refused(const QStringList& problems, const QString& closing) const
{
    QString text;
    for (const QString& problem : problems)
        text += QStringLiteral("  ") + problem + QLatin1Char('\n');
    CConsole::Error(text + closing + QLatin1Char('\n'));
    return ExitRefused;
}

bool CCliCommand::Search(const CDeviceSearch::Predicate& done, const QByteArray& password)
{
    m_pScanner = std::make_unique<CDeviceSearch>();
    switch (m_pScanner->Start(m_search, m_search.User(), password)) {
    case CDeviceSearch::StartResult::Started:
        break;
    case CDeviceSearch::StartResult::LumoFailed:
        CConsole::Error(QStringLiteral("taldor-ip: the discovery library %1 could not be loaded or started; install "
                                       "it beside taldor-ip or on the library path, and check that no other program "
                                       "holds its UDP port.\n").arg(CLumoDiscovery::LibraryFileName()));
        return false;
    case CDeviceSearch::StartResult::OnvifFailed:
        CConsole::Error(QStringLiteral("taldor-ip: ONVIF discovery could not open a UDP socket; check that the "
                                       "network is up, or leave ONVIF out with --protocol lumo.\n"));
        return false;
    }
    m_pScanner->Wait(m_wait, done, [this](std::chrono::milliseconds left, int found) {
        m_console.Progress(QStringLiteral("Searching for devices: %1 found, %2 s left")
                               .arg(found).arg((left.count() + 999) / 1000));
    });
    m_console.EndProgress();
    return true;
}

bool CCliCommand::ObtainPassword(QByteArray* password)
{
    return ObtainSecret("TALDOR_PASSWORD", QStringLiteral("password"), QStringLiteral("Device password: "), password);
}

bool CCliCommand::ObtainSecret(const char* variable, const QString& what, const QString& prompt,
                               QByteArray* secret) const
{
    if (qEnvironmentVariableIsSet(variable))
        return DeviceSecret(qEnvironmentVariable(variable), what, secret);
    QByteArray line;
    if (!CConsole::ReadSecretLine(prompt, &line)) {
        CConsole::Error(QStringLiteral("taldor-ip %1: no %2; set %3 or type it when asked.\n")
                            .arg(Name(), what, QString::fromLatin1(variable)));
        return false;
    }
    return DeviceSecret(QString::fromLocal8Bit(line), what, secret);
}

bool CCliCommand::DeviceSecret(const QString& text, const QString& what, QByteArray* secret) const
{
    for (QChar c : text) {
        if (c.unicode() > 0xFF) {
            CConsole::Error(QStringLiteral("taldor-ip %1: the %2 holds characters the devices cannot take "
                                           "(only Latin-1 letters).\n").arg(Name(), what));
            return false;
        }
    }
    *secret = text.toLatin1();
    return true;
}

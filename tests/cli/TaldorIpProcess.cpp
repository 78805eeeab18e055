#include "TaldorIpProcess.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

TaldorIpRun TaldorIpRun::Start(const QStringList& arguments, const QProcessEnvironment& environment,
                               const QByteArray& password)
{
    QProcessEnvironment effective = environment;
    effective.remove(QStringLiteral("TALDOR_PASSWORD"));
    if (!password.isNull())
        effective.insert(QStringLiteral("TALDOR_PASSWORD"), QString::fromLatin1(password));
    QProcess process;
    process.setProcessEnvironment(effective);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/taldor-ip"), arguments);
    TaldorIpRun run;
    if (!process.waitForStarted(10000))
        return run;
    process.closeWriteChannel();
    // The event loop turns meanwhile: test devices in this process answer the tool.
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(180000, &loop, &QEventLoop::quit);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    run.nExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.strError = QString::fromLocal8Bit(process.readAllStandardError());
#if defined(Q_OS_WIN)
    run.out.replace("\r\n", "\n");
    run.strError.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
    return run;
}

QProcessEnvironment TaldorIpRun::LoopbackEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LUMO_INTERFACES"), QStringLiteral("none"));
    environment.insert(QStringLiteral("LUMO_TARGETS"), QStringLiteral("127.0.0.1"));
    environment.insert(QStringLiteral("ONVIF_INTERFACES"), QStringLiteral("none"));
    environment.insert(QStringLiteral("ONVIF_TARGETS"), QStringLiteral("127.0.0.1"));
    environment.remove(QStringLiteral("TALDOR_USER"));
    return environment;
}

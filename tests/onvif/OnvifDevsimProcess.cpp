#include "OnvifDevsimProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QUdpSocket>

OnvifDevsimProcess::~OnvifDevsimProcess()
{
    if (m_process.state() != QProcess::NotRunning && !stop())
        kill();
}

QString OnvifDevsimProcess::executable()
{
#if defined(Q_OS_WIN)
    return QCoreApplication::applicationDirPath() + QStringLiteral("/lumo-devsim.exe");
#else
    return QCoreApplication::applicationDirPath() + QStringLiteral("/lumo-devsim");
#endif
}

quint16 OnvifDevsimProcess::freePort(int nFollowing)
{
    for (int nAttempt = 0; nAttempt < 200; ++nAttempt) {
        const quint16 nFirst = quint16(20000 + QRandomGenerator::global()->bounded(40000));
        bool bFree = true;
        for (int i = 0; i <= nFollowing && bFree; ++i) {
            QTcpServer tcp;
            QUdpSocket udp;
            bFree = tcp.listen(QHostAddress::Any, quint16(nFirst + i)) && udp.bind(QHostAddress::AnyIPv4, quint16(nFirst + i));
        }
        if (bFree)
            return nFirst;
    }
    return 0;
}

bool OnvifDevsimProcess::start(const QString& strProgram, const QStringList& arguments)
{
    m_strOutput.clear();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(strProgram, arguments);
    if (!m_process.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(15000);
    // Windows' C runtime ends the line with CR LF.
    while (!m_strOutput.contains(QStringLiteral("ready\n")) && !m_strOutput.contains(QStringLiteral("ready\r\n"))) {
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning) {
            qWarning("lumo-devsim did not start: %s", qPrintable(output()));
            return false;
        }
        m_process.waitForReadyRead(100);
        output();
    }
    return true;
}

bool OnvifDevsimProcess::stop()
{
    m_process.closeWriteChannel();
    return m_process.waitForFinished(15000) && m_process.exitCode() == 0;
}

void OnvifDevsimProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(15000);
}

QString OnvifDevsimProcess::output()
{
    m_strOutput += QString::fromLocal8Bit(m_process.readAll());
    return m_strOutput;
}

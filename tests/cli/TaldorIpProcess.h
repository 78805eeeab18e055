#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One run of taldor-ip, built beside the test, as a user would start it.
struct TaldorIpRun
{
    int nExitCode = -1; // -1 when it did not start or end
    QByteArray out;
    QString strError;

    // Runs the tool with the environment (TALDOR_PASSWORD removed unless the
    // password is given) and waits for it to end, turning the event loop.
    static TaldorIpRun Start(const QStringList& arguments, const QProcessEnvironment& environment,
                             const QByteArray& password = QByteArray());
    // The environment that keeps both protocols' discovery on the loopback.
    static QProcessEnvironment LoopbackEnvironment();
};

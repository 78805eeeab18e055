#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// One lumo-devsim with ONVIF cameras, started by a test and ended by its
// destructor however the test ends (closing its input stops it as SIGTERM would).
class OnvifDevsimProcess
{
public:
    ~OnvifDevsimProcess();

    // The simulator built beside the test.
    static QString executable();
    // A port that neither TCP nor UDP uses on the loopback right now, and the
    // next nFollowing ones as well.
    static quint16 freePort(int nFollowing = 0);

    // Runs `program arguments` (the simulator, or a wrapper such as `ip netns
    // exec`) and waits for the simulator's "ready".
    bool start(const QString& strProgram, const QStringList& arguments);
    bool stop();
    void kill();
    QString output();

private:
    QProcess m_process;
    QString m_strOutput;
};

#pragma once

#include "CConsole.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

class CDeviceScanner;
class QByteArray;
class QCommandLineParser;
struct LUMO_DEVICE_INFO_MY;

// One command of the command-line tool: its options, its help, the search
// for devices and the password it may need. Exit codes: 0 all done, 1 some
// device failed, 2 bad usage or a refused request.
class CCliCommand
{
public:
    enum ExitCode { ExitDone = 0, ExitFailed = 1, ExitRefused = 2 };

    CCliCommand();
    virtual ~CCliCommand();
    CCliCommand(const CCliCommand&) = delete;
    CCliCommand& operator=(const CCliCommand&) = delete;

    // The arguments that follow the command's name.
    int Run(const QStringList& arguments);

    virtual QString Name() const = 0;
    virtual QString Summary() const = 0;
    virtual QString HelpText() const = 0;

protected:
    virtual void AddOptions(QCommandLineParser& parser) = 0;
    virtual int Execute(const QCommandLineParser& parser) = 0;

    int UsageError(const QString& text) const;
    int Refused(const QStringList& problems, const QString& closing) const;
    std::chrono::milliseconds WaitTime() const { return m_wait; }

    // Starts discovery and waits the search time, or less once done holds.
    // False (after saying why) when the discovery library cannot be started.
    bool Search(const std::function<bool(const QList<LUMO_DEVICE_INFO_MY>&)>& done = {});
    CDeviceScanner& Scanner() { return *m_pScanner; }
    // The devices' password: TALDOR_PASSWORD, or asked for (see CConsole).
    bool ObtainPassword(QByteArray* password);

    CConsole m_console;

private:
    bool ReadWait(const QCommandLineParser& parser);

    std::unique_ptr<CDeviceScanner> m_pScanner;
    std::chrono::milliseconds m_wait;
};

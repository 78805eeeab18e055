#pragma once

#include "CConsole.h"
#include "CDeviceSearch.h"
#include "CSearchOptions.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

class QByteArray;
class QCommandLineParser;

// One command of the command-line tool: its options, its help, the search
// for devices (over the protocols --protocol selects) and the password it may need. Exit codes: 0 all done, 1 some
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
    // ONVIF devices are read with SearchOptions().User() and the password, or
    // without credentials when it is null. False (after saying why) when a
    // discovery cannot be started.
    bool Search(const CDeviceSearch::Predicate& done = {}, const QByteArray& password = QByteArray());
    CDeviceSearch& Scanner() { return *m_pScanner; }
    const CSearchOptions& SearchOptions() const { return m_search; }
    // The devices' password: TALDOR_PASSWORD, or asked for (see CConsole).
    bool ObtainPassword(QByteArray* password);
    // A secret (what names it in messages) from the environment variable, or
    // asked for with the prompt; secrets stay off the command line, where
    // every user of the computer can read them. False after saying why.
    bool ObtainSecret(const char* variable, const QString& what, const QString& prompt, QByteArray* secret) const;
    // The secret as the devices take it (8-bit Latin-1); false after saying why.
    bool DeviceSecret(const QString& text, const QString& what, QByteArray* secret) const;

    CConsole m_console;

private:
    bool ReadWait(const QCommandLineParser& parser);

    CSearchOptions m_search;
    std::unique_ptr<CDeviceSearch> m_pScanner;
    std::chrono::milliseconds m_wait;
};

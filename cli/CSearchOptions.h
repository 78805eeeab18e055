#pragma once

#include <QString>
#include <QStringList>

class QCommandLineParser;

// Where and how the tool looks for devices: which protocols' discoveries run
// (--protocol lumo|onvif|all), extra addresses probed directly (--target,
// repeatable) and the user name for ONVIF devices (--user, else TALDOR_USER,
// else "admin").
class CSearchOptions
{
public:
    static void AddTo(QCommandLineParser& parser);
    // False with the reason in *problem when an option's value is not valid.
    bool Read(const QCommandLineParser& parser, QString* problem);

    bool UsesLumo() const { return m_bLumo; }
    bool UsesOnvif() const { return m_bOnvif; }
    const QStringList& Targets() const { return m_targets; }
    const QString& User() const { return m_strUser; }
    // The user was named (--user or TALDOR_USER) rather than defaulted.
    bool UserGiven() const { return m_bUserGiven; }

private:
    bool m_bLumo = true;
    bool m_bOnvif = true;
    QStringList m_targets;
    QString m_strUser = QStringLiteral("admin");
    bool m_bUserGiven = false;
};

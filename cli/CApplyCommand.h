#pragma once

#include "CCliCommand.h"

class CSitePlan;
class QByteArray;

// taldor-ip apply: checks a site plan against the devices found and, when
// it holds, applies it one device after another.
class CApplyCommand : public CCliCommand
{
public:
    QString Name() const override;
    QString Summary() const override;
    QString HelpText() const override;

protected:
    void AddOptions(QCommandLineParser& parser) override;
    int Execute(const QCommandLineParser& parser) override;

private:
    bool ReadPlan(const QString& fileName, CSitePlan& plan);
    void PrintPlan(const CSitePlan& plan) const;
    int ApplyPlan(const CSitePlan& plan, const QByteArray& password);
};

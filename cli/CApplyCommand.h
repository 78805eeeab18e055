#pragma once

#include "CCliCommand.h"

class CSitePlan;
class QByteArray;
struct PlannedChange;

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
    // What went wrong, empty when the device took the change.
    QString ApplyLumo(const PlannedChange& change, const QByteArray& password);
    QString ApplyOnvif(const PlannedChange& change);
};

#pragma once

#include "LumoFailure.h"
#include "OnvifReaddress.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

// The text of the box that ends a Modify run: the IDs of the devices that took
// the change, then those that did not, grouped by why the library said they
// failed ("ID:001 003 (no answer) ID:002 (locked for 60 more seconds)"). A
// failure of unknown reason is listed by its ID alone.
class CModifyResultText
{
    Q_DECLARE_TR_FUNCTIONS(CModifyResultText)
public:
    // idItem is the ID cell with its trailing blank, as the IDs are joined.
    void AddSuccess(const QString& idItem);
    void AddFailure(const QString& idItem, const LumoFailure& failure);
    // A failure whose reason is already in words (an ONVIF device's).
    void AddFailure(const QString& idItem, const QString& reason);
    QString Text() const;

    // Why one device failed, in words; empty for an unknown reason. For a
    // password restore the authorisation is the security code.
    static QString ReasonText(const LumoFailure& failure, bool bSecurityCode = false);
    // Why an ONVIF device did not take its new address, in words; the
    // library's detail is added for a refusal, which quotes the device.
    static QString OnvifReasonText(OnvifReaddress::Failure failure, const QString& detail = QString());
    // The result of a failed password restore.
    static QString RestoreFailedText(const LumoFailure& failure);

private:
    struct FailureGroup
    {
        QString reason;
        QString ids;
    };

    static QString WithReason(const QString& text, const QString& reason, bool bSecurityCode);

    QString m_succeeded;
    QList<FailureGroup> m_failureGroups;
};

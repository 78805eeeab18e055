#include "CModifyResultText.h"

void CModifyResultText::AddSuccess(const QString& idItem)
{
    m_succeeded += idItem;
}

void CModifyResultText::AddFailure(const QString& idItem, const LumoFailure& failure)
{
    AddFailure(idItem, ReasonText(failure));
}

void CModifyResultText::AddFailure(const QString& idItem, const QString& reason)
{
    for (FailureGroup& group : m_failureGroups) {
        if (group.reason == reason) {
            group.ids += idItem;
            return;
        }
    }
    m_failureGroups.append({ reason, idItem });
}

QString CModifyResultText::Text() const
{
    QString text;
    if (!m_succeeded.isEmpty())
        text += tr("Modify network parameter succeed.") + tr("ID:%1").arg(m_succeeded);
    if (m_failureGroups.isEmpty())
        return text;
    text += tr("Modify network parameter failed!");
    for (const FailureGroup& group : m_failureGroups)
        text += WithReason(tr("ID:%1").arg(group.ids), group.reason, false);
    return text;
}

QString CModifyResultText::ReasonText(const LumoFailure& failure, bool bSecurityCode)
{
    using Reason = LumoFailure::Reason;
    switch (failure.reason) {
    case Reason::NoAnswer: return tr("no answer");
    case Reason::AuthFailed: return bSecurityCode ? tr("wrong security code") : tr("wrong password");
    case Reason::Locked: return tr("locked for %1 more seconds").arg(failure.nSeconds);
    case Reason::ValueRefused: return tr("value refused by the device");
    case Reason::Unsupported: return tr("not supported by the device");
    case Reason::BadArgument: return tr("invalid parameter");
    case Reason::NotRunning: return tr("device search is not running");
    case Reason::Unknown: break;
    }
    return QString();
}

QString CModifyResultText::OnvifReasonText(OnvifReaddress::Failure failure, const QString& detail)
{
    using Failure = OnvifReaddress::Failure;
    switch (failure) {
    case Failure::NoAnswer: return tr("no answer");
    case Failure::AuthenticationFailed: return tr("authentication failed");
    case Failure::Refused: return detail.isEmpty() ? tr("refused by the device") : tr("refused by the device: %1").arg(detail);
    case Failure::StillAtOldAddress: return tr("still at its old address");
    case Failure::InvalidRequest: return tr("invalid parameter");
    case Failure::None: break;
    }
    return QString();
}

QString CModifyResultText::RestoreFailedText(const LumoFailure& failure)
{
    return WithReason(tr("Restore default password failed!"), ReasonText(failure, true), true);
}

// The IDs end in a blank already; a reason follows them and a blank follows it.
QString CModifyResultText::WithReason(const QString& text, const QString& reason, bool bSecurityCode)
{
    if (reason.isEmpty())
        return text;
    const QString separator = text.endsWith(QLatin1Char(' ')) ? QString() : QStringLiteral(" ");
    return text + separator + tr("(%1)").arg(reason) + (bSecurityCode ? QString() : QStringLiteral(" "));
}

#include "TableRoles.h"

#include <QIcon>

QVariantMap MakeComboChoice(const QString& text, const QIcon& icon, const QVariant& data)
{
    return { { QStringLiteral("text"), text },
             { QStringLiteral("icon"), icon },
             { QStringLiteral("data"), data } };
}

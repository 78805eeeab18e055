#include "CDarkSkinPlugin.h"

#include <QApplication>
#include <QFile>

QStringList CDarkSkinPlugin::keys() const
{
    return {QStringLiteral("Dark")};
}

bool CDarkSkinPlugin::create(const QString& key)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    QFile sheet(QStringLiteral(":/skins/dark/Dark.qss"));
    if (!app || !keys().contains(key) || !sheet.open(QIODevice::ReadOnly))
        return false;
    app->setStyleSheet(app->styleSheet() + QString::fromUtf8(sheet.readAll()));
    return true;
}

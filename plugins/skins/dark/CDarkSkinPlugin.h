#pragma once

#include "CPluginFactoryInterface.h"

#include <QObject>

// A dark skin for the utility: installs a style sheet over the program's own.
class CDarkSkinPlugin : public QObject, public CPluginFactoryInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID CPluginFactoryInterface_iid)
    Q_INTERFACES(CPluginFactoryInterface)
public:
    QStringList keys() const override;
    bool create(const QString& key) override;
};

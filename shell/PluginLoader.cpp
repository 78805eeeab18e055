#include "PluginLoader.h"

#include "CPluginFactoryInterface.h"

#include <QDir>
#include <QPluginLoader>

bool LoadPlugin(const QString& key, const QString& directory)
{
    const QStringList entries = QDir(directory).entryList(QDir::Files, QDir::NoSort);
    for (const QString& entry : entries) {
        QPluginLoader loader(QDir::cleanPath(directory + u'/' + entry));
        if (loader.isLoaded())
            return true;
        if (!loader.load())
            continue;
        QObject* root = loader.instance();
        if (!root) {
            loader.unload();
            continue;
        }
        auto* factory = qobject_cast<CPluginFactoryInterface*>(root);
        if (!factory)
            continue;
        if (factory->keys().contains(key))
            return factory->create(key);
        loader.unload();
    }
    return false;
}

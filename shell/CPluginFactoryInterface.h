#pragma once

#include <QStringList>
#include <QtPlugin>

// The interface of a skin plugin's root object: the keys it serves, and the
// creation of one of them (install a style, a style sheet, ...).
class CPluginFactoryInterface
{
public:
    virtual ~CPluginFactoryInterface() = default;
    virtual QStringList keys() const = 0;
    virtual bool create(const QString& key) = 0;
};

#define CPluginFactoryInterface_iid "com.CPluginFactoryInterface"
Q_DECLARE_INTERFACE(CPluginFactoryInterface, CPluginFactoryInterface_iid)

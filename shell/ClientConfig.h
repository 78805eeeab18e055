#pragma once

#include "shell_global.h"

#include <QString>

// One setting of Setup.xml: the element's name as written and the text of its
// first Value child.
class SHELL_EXPORT ClientConfig
{
public:
    explicit ClientConfig(const QString& name, const QString& value = QString());
    virtual ~ClientConfig();

    const QString& Name() const { return m_strName; }
    const QString& Value() const { return m_strValue; }
    void SetValue(const QString& value) { m_strValue = value; }
    // The value read as a decimal number; 0 when it is not one.
    int IntValue() const;

private:
    QString m_strName;
    QString m_strValue;
};

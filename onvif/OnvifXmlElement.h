#pragma once

#include <QHash>
#include <QString>
#include <QVector>

// One element of a parsed message: its namespace and local name, its text, its
// attributes (by local name) and children, and the namespace prefixes in scope
// there (needed to read QName values such as d:Types).
struct OnvifXmlElement
{
    QString ns;
    QString name;
    QString text;
    QHash<QString, QString> attributes;
    QHash<QString, QString> prefixes; // prefix -> namespace in scope ("" for the default)
    QVector<OnvifXmlElement> children;

    bool is(QLatin1String strNs, QLatin1String strName) const { return ns == strNs && name == strName; }
    // The first child with this namespace and name, or nullptr.
    const OnvifXmlElement* child(QLatin1String strNs, QLatin1String strName) const;
    // The first element of that name at any depth below, or nullptr.
    const OnvifXmlElement* find(QLatin1String strNs, QLatin1String strName) const;
    // The trimmed text of a child, empty when it is missing.
    QString childText(QLatin1String strNs, QLatin1String strName) const;
    // The first child whatever its name (the operation element of a Body).
    const OnvifXmlElement* firstChild() const { return children.isEmpty() ? nullptr : &children.first(); }
};

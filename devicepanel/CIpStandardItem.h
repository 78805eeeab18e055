#pragma once

#include <QStandardItem>

// A table item that orders dotted addresses by value (10.0.0.9 before
// 10.0.0.10) rather than as text.
class CIpStandardItem : public QStandardItem
{
public:
    explicit CIpStandardItem(const QString& text);
    ~CIpStandardItem() override;

    bool operator<(const QStandardItem& other) const override;

    // The ordering key of an address text: each dotted part read as a decimal
    // number with leading-digit semantics and formatted "%03d", the first four
    // parts concatenated.
    static QByteArray AddressKey(const QString& text);
};

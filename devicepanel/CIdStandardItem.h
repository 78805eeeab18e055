#pragma once

#include <QStandardItem>

// The ID cell of a device row: "001", "002", ... ordered by number, so that
// 1000 follows 999 although as text it would come first.
class CIdStandardItem : public QStandardItem
{
public:
    CIdStandardItem();
    ~CIdStandardItem() override;

    bool operator<(const QStandardItem& other) const override;
};

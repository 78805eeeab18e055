#include "CIdStandardItem.h"

CIdStandardItem::CIdStandardItem() = default;

CIdStandardItem::~CIdStandardItem() = default;

bool CIdStandardItem::operator<(const QStandardItem& other) const
{
    bool thisIsNumber = false;
    bool otherIsNumber = false;
    const qlonglong thisNumber = text().toLongLong(&thisIsNumber);
    const qlonglong otherNumber = other.text().toLongLong(&otherIsNumber);
    // Numbers first, in numeric order; anything else after them, as text.
    if (thisIsNumber != otherIsNumber)
        return thisIsNumber;
    if (!thisIsNumber)
        return text() < other.text();
    return thisNumber < otherNumber;
}

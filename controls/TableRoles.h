#pragma once

#include "controls_global.h"

#include <QVariantMap>

class QIcon;

// Item data roles read by CTableView and CTableDelegate.
namespace TableRole {
enum : int {
    CellFlags = 31,      // int; the bit ButtonCellFlag marks a button cell
    ComboChoices = 134,  // QVariantList of choices made by MakeComboChoice
    ButtonCell = 135,    // bool
    DateTime = 138,      // QDateTime for a date-time editor
    Date = 139,          // QDate for a date editor
    RegExp = 153,        // QString or QRegularExpression for the line-edit editor
    MaxBytes = 154       // int, byte limit for the line-edit editor
};
constexpr int ButtonCellFlag = 2;
} // namespace TableRole

// One entry of a TableRole::ComboChoices list.
CONTROLS_EXPORT QVariantMap MakeComboChoice(const QString& text, const QIcon& icon, const QVariant& data = QVariant());

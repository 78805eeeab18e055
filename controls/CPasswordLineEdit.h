#pragma once

#include "controls_global.h"

#include <QLineEdit>

class QMenu;

// A password field that refuses the clipboard: the Copy, Cut and Paste keys
// do nothing and the context menu offers none of them.
class CONTROLS_EXPORT CPasswordLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CPasswordLineEdit(QWidget* parent = nullptr);

    // The standard context menu without Cut, Copy, Paste and the separator
    // after Redo; the caller owns it.
    QMenu* CreateContextMenu();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
};

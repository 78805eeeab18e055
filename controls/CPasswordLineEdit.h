#pragma once

#include "controls_global.h"

#include <QLineEdit>

// A password field that refuses the clipboard.
class CONTROLS_EXPORT CPasswordLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit CPasswordLineEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

#pragma once

#include "controls_global.h"

#include <QPushButton>

// The button class of all dialogs and forms.
class CONTROLS_EXPORT CPushButton : public QPushButton
{
    Q_OBJECT
public:
    explicit CPushButton(QWidget* parent = nullptr);
    CPushButton(const QString& text, QWidget* parent = nullptr);
    CPushButton(const QIcon& icon, const QString& text, QWidget* parent = nullptr);
};

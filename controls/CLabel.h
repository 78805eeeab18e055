#pragma once

#include "controls_global.h"

#include <QLabel>

// A label that reports double clicks and shows its own text as tool tip.
class CONTROLS_EXPORT CLabel : public QLabel
{
    Q_OBJECT
public:
    explicit CLabel(QWidget* parent = nullptr);

signals:
    void SignalDoubleClicked();

protected:
    bool event(QEvent* e) override;
};

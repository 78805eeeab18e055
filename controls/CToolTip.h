#pragma once

#include "controls_global.h"

#include <QRect>

class QFont;
class QPalette;
class QPoint;
class QString;
class QWidget;

// Static interface of the application's tool tip (one CToolLabel at a time).
class CONTROLS_EXPORT CToolTip
{
public:
    CToolTip() = delete;

    static void ShowText(const QPoint& pos, const QString& text, QWidget* w, const QRect& rect);
    static void ShowText(const QPoint& pos, const QString& text, QWidget* w = nullptr);
    static void HideText();
    static bool IsVisible();
    static QString Text();
    static QPalette Palette();
    static void SetPalette(const QPalette& palette);
    static QFont Font();
    static void SetFont(const QFont& font);
};

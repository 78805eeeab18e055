#include "CToolTip.h"

#include "CToolLabel.h"

#include <QApplication>
#include <QFont>
#include <QPalette>

namespace {

// Created on first use; the initialisation of a function-local static is
// safe against concurrent first use.
QPalette& SharedPalette()
{
    static QPalette palette;
    return palette;
}

CToolLabel* VisibleTip()
{
    CToolLabel* tip = CToolLabel::Instance();
    return tip && tip->isVisible() ? tip : nullptr;
}

} // namespace

void CToolTip::ShowText(const QPoint& pos, const QString& text, QWidget* w, const QRect& rect)
{
    if (CToolLabel* tip = VisibleTip()) {
        if (text.isEmpty()) {
            tip->HideTip();
            return;
        }
        if (!tip->IsFadingOut()) {
            const QPoint localPos = w ? w->mapFromGlobal(pos) : pos;
            if (tip->TipChanged(localPos, text, w)) {
                tip->ReuseTip(text);
                tip->setTipRect(w, rect);
                tip->PlaceTip(pos, w);
            }
            return;
        }
    }
    if (text.isEmpty())
        return;

    auto* tip = new CToolLabel(text, CToolLabel::TipScreen(pos, w));
    tip->setTipRect(w, rect);
    tip->PlaceTip(pos, w);
    tip->setObjectName(QStringLiteral("ctooltip_label"));
    tip->show();
}

void CToolTip::ShowText(const QPoint& pos, const QString& text, QWidget* w)
{
    ShowText(pos, text, w, QRect());
}

void CToolTip::HideText()
{
    if (CToolLabel* tip = VisibleTip())
        tip->HideTipNow();
}

bool CToolTip::IsVisible()
{
    return VisibleTip() != nullptr;
}

QString CToolTip::Text()
{
    const CToolLabel* tip = CToolLabel::Instance();
    return tip ? tip->text() : QString();
}

QPalette CToolTip::Palette()
{
    return SharedPalette();
}

void CToolTip::SetPalette(const QPalette& palette)
{
    SharedPalette() = palette;
    if (CToolLabel* tip = CToolLabel::Instance())
        tip->setPalette(palette);
}

QFont CToolTip::Font()
{
    return QApplication::font("CToolLabel");
}

void CToolTip::SetFont(const QFont& font)
{
    QApplication::setFont(font, "CToolLabel");
}

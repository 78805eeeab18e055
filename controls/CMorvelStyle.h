#pragma once

#include "controls_global.h"

#include <QProxyStyle>

class QStyleOptionProgressBar;
class QStyleOptionSlider;

// The application's widget style over the built-in "Windows" style: tabs,
// progress bars, horizontal sliders, item selection and tab close buttons
// are drawn from the skin images; focus rectangles and styled-panel frames
// are left out; a few metrics and sizes are adjusted.
class CONTROLS_EXPORT CMorvelStyle : public QProxyStyle
{
    Q_OBJECT
public:
    CMorvelStyle();
    ~CMorvelStyle() override;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                         const QWidget* widget = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget = nullptr) const override;

private:
    void DrawTabShape(const QStyleOption* option, QPainter* painter) const;
    void DrawProgressBar(const QStyleOptionProgressBar* option, QPainter* painter, const QWidget* widget) const;
    void DrawTabLabel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void DrawShapedFrame(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void DrawItemSelection(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void DrawTabClose(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
    void DrawSlider(const QStyleOptionSlider* option, QPainter* painter, const QWidget* widget) const;
    void DrawSliderTicks(const QStyleOptionSlider* option, QPainter* painter, const QWidget* widget) const;
};

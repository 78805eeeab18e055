#include "CMorvelStyle.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QStyleFactory>
#include <QStyleOption>

#include <limits>

namespace {

// Images are loaded each time they are drawn, so a changed skin shows at once.
QPixmap Image(const char* path)
{
    return QPixmap(QString::fromLatin1(path));
}

const char* const kTabSelect = ":/images/Tab/TabSelect.png";
const char* const kTabUnselect = ":/images/Tab/TabUnselect.png";
const char* const kGrooveLeft = ":images/public/ProgressBar/ProgressBarLeft.png";
const char* const kGrooveMiddle = ":images/public/ProgressBar/ProgressBar.png";
const char* const kGrooveRight = ":images/public/ProgressBar/ProgressBarRight.png";
const char* const kFillLeft = ":images/public/ProgressBar/ProgressBarLeftChunk.png";
const char* const kFillMiddle = ":images/public/ProgressBar/ProgressBarChunk.png";
const char* const kFillRight = ":images/public/ProgressBar/ProgressBarRightChunk.png";
const char* const kTabCloseHover = ":images/Tab/TabCloseHover.png";
const char* const kTabClose = ":images/Tab/TabClose.png";
const char* const kItemSelected = ":images/ControlPanel/ListView-hover.png";
const char* const kSliderHandle = ":/images/public/Slider/RadiobtnOff.png";
const char* const kSliderFilled = ":/images/public/Slider/LeftSlider.png";
const char* const kSliderGroove = ":/images/public/Slider/RightSlider.png";

constexpr int kTabCloseSize = 20;

QIcon::Mode TabCloseIconMode(QStyle::State state)
{
    QIcon::Mode mode = QIcon::Normal;
    if (!(state & QStyle::State_Enabled))
        mode = QIcon::Disabled;
    else if (state & QStyle::State_Raised)
        mode = QIcon::Active;
    if (!(state & (QStyle::State_Raised | QStyle::State_Sunken | QStyle::State_Selected)))
        mode = QIcon::Disabled;
    return mode;
}

bool IsHorizontalSlider(const QStyleOptionComplex* option)
{
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    return slider && slider->orientation == Qt::Horizontal;
}

} // namespace

CMorvelStyle::CMorvelStyle()
    : QProxyStyle(QStyleFactory::create(QStringLiteral("Windows")))
{
}

CMorvelStyle::~CMorvelStyle() = default;

void CMorvelStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    switch (element) {
    case CE_TabBarTabShape:
        DrawTabShape(option, painter);
        return;
    case CE_ProgressBarGroove:
        if (const auto* bar = qstyleoption_cast<const QStyleOptionProgressBar*>(option))
            DrawProgressBar(bar, painter, widget);
        return;
    case CE_ProgressBarContents:
        // The groove step has drawn the fill already.
        return;
    case CE_ShapedFrame:
        DrawShapedFrame(option, painter, widget);
        return;
    case CE_TabBarTabLabel:
        DrawTabLabel(option, painter, widget);
        return;
    default:
        QProxyStyle::drawControl(element, option, painter, widget);
    }
}

void CMorvelStyle::DrawTabShape(const QStyleOption* option, QPainter* painter) const
{
    const QRect r = option->rect.adjusted(2, 0, -1, 0);
    const bool selected = option->state & State_Selected;
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->fillRect(r, QBrush(Image(selected ? kTabSelect : kTabUnselect)));
    painter->restore();
}

void CMorvelStyle::DrawProgressBar(const QStyleOptionProgressBar* option, QPainter* painter,
                                   const QWidget* widget) const
{
    const QPixmap grooveLeft = Image(kGrooveLeft);
    const QPixmap grooveMiddle = Image(kGrooveMiddle);
    const QPixmap grooveRight = Image(kGrooveRight);
    const int x = option->rect.x();
    const int y = option->rect.y();
    const int w = option->rect.width();

    painter->drawPixmap(x, y, grooveLeft);
    painter->drawPixmap(QRect(x + grooveLeft.width(), y, w - grooveRight.width() - grooveLeft.width(),
                              grooveMiddle.height()),
                        grooveMiddle);
    painter->drawPixmap(x + w - grooveRight.width(), y, grooveRight);

    const qint64 range = qint64(option->maximum) - option->minimum;
    const qint64 done = qint64(option->progress) - option->minimum;
    if (range <= 0 || done <= 0 || proxy()->pixelMetric(PM_ProgressBarChunkWidth, option, widget) == 0)
        return;

    const QPixmap fillLeft = Image(kFillLeft);
    const QPixmap fillMiddle = Image(kFillMiddle);
    const qint64 fillSpan = w - fillLeft.width() - grooveRight.width();
    const int filled = int(fillSpan * done / range);
    painter->drawPixmap(x, y, fillLeft);
    painter->drawPixmap(QRect(x + grooveLeft.width(), y, filled, grooveMiddle.height()), fillMiddle);
    if (option->progress == option->maximum)
        painter->drawPixmap(x + fillLeft.width() + int(fillSpan), y, Image(kFillRight));
}

// The base style draws the focus frame of a tab label directly, past
// drawPrimitive; without the focus state it draws none.
void CMorvelStyle::DrawTabLabel(const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto* tab = qstyleoption_cast<const QStyleOptionTab*>(option);
    if (!tab) {
        QProxyStyle::drawControl(CE_TabBarTabLabel, option, painter, widget);
        return;
    }
    QStyleOptionTab copy = *tab;
    copy.state &= ~State_HasFocus;
    QProxyStyle::drawControl(CE_TabBarTabLabel, &copy, painter, widget);
}

void CMorvelStyle::DrawShapedFrame(const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(option);
    if (!frame)
        return;
    QStyleOptionFrame copy = *frame;
    if (copy.frameShape == QFrame::StyledPanel) {
        copy.frameShape = QFrame::NoFrame;
        copy.lineWidth = 0;
    }
    QProxyStyle::drawControl(CE_ShapedFrame, &copy, painter, widget);
}

void CMorvelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    switch (element) {
    case PE_FrameFocusRect:
    case PE_FrameTabBarBase:
    case PE_IndicatorTabTear:
    case PE_PanelItemViewRow:
        return;
    case PE_PanelItemViewItem:
        DrawItemSelection(option, painter, widget);
        return;
    case PE_IndicatorTabClose:
        DrawTabClose(option, painter, widget);
        return;
    default:
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }
}

void CMorvelStyle::DrawItemSelection(const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option);
    if (!item || !(item->state & State_Selected))
        return;
    painter->drawPixmap(subElementRect(SE_ItemViewItemDecoration, item, widget), Image(kItemSelected));
}

void CMorvelStyle::DrawTabClose(const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    QPixmap image;
    if (option->state & State_MouseOver)
        image = Image(kTabCloseHover);
    else if (option->state & State_Selected)
        image = Image(kTabClose);

    QIcon icon;
    if (!image.isNull())
        icon.addPixmap(image.scaled(kTabCloseSize, kTabCloseSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                       QIcon::Normal, QIcon::Off);
    const QIcon::State iconState = (option->state & State_Sunken) ? QIcon::On : QIcon::Off;
    const QPixmap pixmap = icon.pixmap(QSize(kTabCloseSize, kTabCloseSize), TabCloseIconMode(option->state), iconState);
    proxy()->drawItemPixmap(painter, option->rect, Qt::AlignCenter, pixmap);
    Q_UNUSED(widget);
}

void CMorvelStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                      const QWidget* widget) const
{
    if (control != CC_Slider) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const auto* slider = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!slider)
        return;
    if (slider->orientation == Qt::Vertical) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    DrawSlider(slider, painter, widget);
}

void CMorvelStyle::DrawSlider(const QStyleOptionSlider* option, QPainter* painter, const QWidget* widget) const
{
    const QRect groove = subControlRect(CC_Slider, option, SC_SliderGroove, widget);
    const QRect handle = subControlRect(CC_Slider, option, SC_SliderHandle, widget);

    if (groove.isValid() && (option->subControls & SC_SliderGroove)) {
        painter->drawPixmap(QRect(groove.x() + 3, groove.y(), groove.width() - 6, groove.height()), Image(kSliderGroove));
        painter->drawPixmap(QRect(groove.x() + 3, groove.y(), handle.left(), groove.height()), Image(kSliderFilled));
    }
    if (handle.isValid() && (option->subControls & SC_SliderHandle))
        painter->drawPixmap(handle.topLeft(), Image(kSliderHandle));
    if (option->subControls & SC_SliderTickmarks)
        DrawSliderTicks(option, painter, widget);
}

void CMorvelStyle::DrawSliderTicks(const QStyleOptionSlider* option, QPainter* painter, const QWidget* widget) const
{
    const int tickOffset = proxy()->pixelMetric(PM_SliderTickmarkOffset, option, widget);
    const int thickness = proxy()->pixelMetric(PM_SliderControlThickness, option, widget);
    const int length = proxy()->pixelMetric(PM_SliderLength, option, widget);
    const int available = proxy()->pixelMetric(PM_SliderSpaceAvailable, option, widget);

    int interval = option->tickInterval;
    if (interval <= 0) {
        interval = option->singleStep;
        if (QStyle::sliderPositionFromValue(option->minimum, option->maximum, interval, available)
                - QStyle::sliderPositionFromValue(option->minimum, option->maximum, 0, available)
            < 3)
            interval = option->pageStep;
    }
    if (interval == 0)
        interval = 1;

    painter->save();
    painter->translate(option->rect.topLeft());
    painter->setPen(option->palette.color(QPalette::WindowText));
    qint64 v = option->minimum;
    while (v <= qint64(option->maximum) + 1) {
        if (v == qint64(option->maximum) + 1 && interval == 1)
            break;
        const int value = int(qMin<qint64>(v, option->maximum));
        int pos = QStyle::sliderPositionFromValue(option->minimum + 1, option->maximum, value, available);
        if (pos != 0) {
            pos += length / 2;
            if (option->tickPosition & QSlider::TicksAbove)
                painter->drawLine(pos, 10, pos, tickOffset);
            if (option->tickPosition & QSlider::TicksBelow)
                painter->drawLine(pos, tickOffset + thickness - 4, pos, tickOffset + thickness + 1);
        }
        // The walk stops where the next value would leave the int range or
        // would not advance (a negative step from a hand-made option).
        const qint64 next = v + interval;
        if (next <= v || next > std::numeric_limits<int>::max())
            break;
        v = next;
    }
    painter->restore();
}

QRect CMorvelStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl subControl,
                                   const QWidget* widget) const
{
    QRect r = QProxyStyle::subControlRect(control, option, subControl, widget);
    if (control != CC_Slider || !IsHorizontalSlider(option))
        return r;
    const int height = r.height();
    if (subControl == SC_SliderHandle) {
        r.setTop(height / 2 - 4);
        r.setHeight(10);
    } else if (subControl == SC_SliderGroove) {
        r.setTop(height / 2 - 2);
        r.setHeight(4);
    }
    return r;
}

int CMorvelStyle::pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const
{
    switch (metric) {
    case PM_MenuButtonIndicator:
        return 0;
    case PM_SliderLength:
        return 13;
    case PM_TabCloseIndicatorWidth:
    case PM_TabCloseIndicatorHeight:
        return kTabCloseSize;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

QSize CMorvelStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                     const QWidget* widget) const
{
    QSize s = QProxyStyle::sizeFromContents(type, option, size, widget);
    switch (type) {
    case CT_RadioButton:
        s.rwidth() += 20;
        break;
    case CT_TabBarTab:
        s.setHeight(40);
        break;
    case CT_Slider:
        s.setHeight(10);
        break;
    default:
        break;
    }
    return s;
}

QRect CMorvelStyle::subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget) const
{
    QRect r = QProxyStyle::subElementRect(element, option, widget);
    switch (element) {
    case SE_TabBarTabRightButton:
        r.setLeft(r.left() + pixelMetric(PM_TabBarTabVSpace, option, widget) + 1);
        r.setTop(2);
        break;
    case SE_TabBarTabLeftButton:
        r.setHeight(0);
        break;
    case SE_ItemViewItemCheckIndicator:
        r.setWidth(16);
        r.setHeight(16);
        break;
    case SE_ProgressBarGroove:
        r.setTop(10);
        break;
    default:
        break;
    }
    return r;
}

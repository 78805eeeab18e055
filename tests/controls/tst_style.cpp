// CMorvelStyle and the compiled-in skin images.

#include "CMorvelStyle.h"

#include <QFile>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QScopedPointer>
#include <QStyleFactory>
#include <QSlider>
#include <QStyleOption>
#include <QtTest>

namespace {

const QColor kBackground(255, 0, 255);

QImage Canvas(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(kBackground);
    return image;
}

bool IsUntouched(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (QColor(image.pixel(x, y)) != kBackground)
                return false;
        }
    }
    return true;
}

QColor MiddlePixel(const char* path)
{
    const QImage image(QString::fromLatin1(path));
    return QColor(image.pixel(image.width() / 2, image.height() / 2));
}

QStyleOptionSlider HorizontalSlider()
{
    QStyleOptionSlider option;
    option.rect = QRect(0, 0, 200, 30);
    option.orientation = Qt::Horizontal;
    option.minimum = 0;
    option.maximum = 10;
    option.sliderPosition = 5;
    option.sliderValue = 5;
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    option.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    return option;
}

} // namespace

class TestStyle : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void skinImagesExist_data();
    void skinImagesExist();
    void metrics();
    void sizes();
    void subElementRects();
    void sliderSubControlRects();
    void focusRectDrawsNothing();
    void styledPanelDrawsNoFrame();
    void progressBar_data();
    void progressBar();
    void progressBarWithEmptyRange();
    void progressBarFullIntRange();
    void selectedItemFillsDecorationOnly();
    void tabShapeUsesTabImages();
    void sliderDrawsGrooveAndHandle();
    void sliderTicks();

private:
    QScopedPointer<CMorvelStyle> m_pStyle;
    QScopedPointer<QStyle> m_pWindows;
};

void TestStyle::initTestCase()
{
    m_pStyle.reset(new CMorvelStyle());
    m_pWindows.reset(QStyleFactory::create(QStringLiteral("Windows")));
    QVERIFY(m_pWindows);
}

void TestStyle::skinImagesExist_data()
{
    QTest::addColumn<QString>("path");
    const char* const paths[] = {
        ":/images/Dialog/dialog_bg.png", ":/images/Dialog/dialog_bg2.png",
        ":/images/title/close.png", ":/images/title/close_hover.png",
        ":/images/public/CheckBox/checkbox.png", ":/images/public/CheckBox/PartiallyCheckBox.png",
        ":/images/public/CheckBox/uncheckbox.png",
        ":/images/Tab/TabSelect.png", ":/images/Tab/TabUnselect.png",
        ":images/public/ProgressBar/ProgressBarLeft.png", ":images/public/ProgressBar/ProgressBar.png",
        ":images/public/ProgressBar/ProgressBarRight.png", ":images/public/ProgressBar/ProgressBarLeftChunk.png",
        ":images/public/ProgressBar/ProgressBarChunk.png", ":images/public/ProgressBar/ProgressBarRightChunk.png",
        ":images/Tab/TabCloseHover.png", ":images/Tab/TabClose.png", ":images/ControlPanel/ListView-hover.png",
        ":/images/public/Slider/RadiobtnOff.png", ":/images/public/Slider/LeftSlider.png",
        ":/images/public/Slider/RightSlider.png",
        ":/images/MainView/frame_gap.png", ":/images/AjustFocus/SepShow.png", ":/images/AjustFocus/SepHide.png",
        ":/images/ButtonIcon/infor_24.png", ":/images/ButtonIcon/refresh.png",
    };
    for (const char* path : paths) {
        QString both = QString::fromLatin1(path);
        QTest::newRow(path) << both;
        // Both spellings, with and without "/" after the colon, must resolve.
        if (both.startsWith(QLatin1String(":/")))
            both.remove(1, 1);
        else
            both.insert(1, u'/');
        QTest::newRow(qPrintable(both)) << both;
    }
}

void TestStyle::skinImagesExist()
{
    QFETCH(QString, path);
    QVERIFY2(QFile::exists(path), qPrintable(path));
    QVERIFY(!QImage(path).isNull());
}

void TestStyle::metrics()
{
    QCOMPARE(m_pStyle->pixelMetric(QStyle::PM_MenuButtonIndicator), 0);
    QCOMPARE(m_pStyle->pixelMetric(QStyle::PM_SliderLength), 13);
    QCOMPARE(m_pStyle->pixelMetric(QStyle::PM_TabCloseIndicatorWidth), 20);
    QCOMPARE(m_pStyle->pixelMetric(QStyle::PM_TabCloseIndicatorHeight), 20);
    QCOMPARE(m_pStyle->pixelMetric(QStyle::PM_DefaultFrameWidth), m_pWindows->pixelMetric(QStyle::PM_DefaultFrameWidth));
}

void TestStyle::sizes()
{
    QStyleOptionButton radio;
    const QSize contents(40, 16);
    QCOMPARE(m_pStyle->sizeFromContents(QStyle::CT_RadioButton, &radio, contents),
             m_pWindows->sizeFromContents(QStyle::CT_RadioButton, &radio, contents) + QSize(20, 0));

    QStyleOptionTab tab;
    const QSize tabSize = m_pStyle->sizeFromContents(QStyle::CT_TabBarTab, &tab, QSize(60, 18));
    QCOMPARE(tabSize.height(), 40);
    QCOMPARE(tabSize.width(), m_pWindows->sizeFromContents(QStyle::CT_TabBarTab, &tab, QSize(60, 18)).width());

    QStyleOptionSlider slider = HorizontalSlider();
    QCOMPARE(m_pStyle->sizeFromContents(QStyle::CT_Slider, &slider, QSize(84, 20)).height(), 10);

    QStyleOptionButton push;
    QCOMPARE(m_pStyle->sizeFromContents(QStyle::CT_PushButton, &push, contents),
             m_pWindows->sizeFromContents(QStyle::CT_PushButton, &push, contents));
}

void TestStyle::subElementRects()
{
    QStyleOptionProgressBar bar;
    bar.rect = QRect(0, 0, 200, 30);
    const QRect baseGroove = m_pWindows->subElementRect(QStyle::SE_ProgressBarGroove, &bar);
    const QRect groove = m_pStyle->subElementRect(QStyle::SE_ProgressBarGroove, &bar);
    QCOMPARE(groove.top(), 10);
    QCOMPARE(groove.bottom(), baseGroove.bottom());

    QStyleOptionViewItem item;
    item.rect = QRect(0, 0, 100, 24);
    item.features = QStyleOptionViewItem::HasCheckIndicator;
    QCOMPARE(m_pStyle->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &item).size(), QSize(16, 16));

    QStyleOptionTab tab;
    tab.rect = QRect(0, 0, 120, 40);
    tab.rightButtonSize = QSize(20, 20);
    tab.leftButtonSize = QSize(20, 20);
    const QRect baseRight = m_pStyle->QProxyStyle::subElementRect(QStyle::SE_TabBarTabRightButton, &tab, nullptr);
    const QRect right = m_pStyle->subElementRect(QStyle::SE_TabBarTabRightButton, &tab);
    QCOMPARE(right.left(), baseRight.left() + m_pStyle->pixelMetric(QStyle::PM_TabBarTabVSpace, &tab) + 1);
    QCOMPARE(right.top(), 2);
    QCOMPARE(m_pStyle->subElementRect(QStyle::SE_TabBarTabLeftButton, &tab).height(), 0);
}

void TestStyle::sliderSubControlRects()
{
    const QStyleOptionSlider slider = HorizontalSlider();
    const QRect baseHandle = m_pWindows->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderHandle);
    const QRect handle = m_pStyle->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderHandle);
    const QRect groove = m_pStyle->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderGroove);
    QCOMPARE(handle.height(), 10);
    QCOMPARE(handle.width(), 13);
    QCOMPARE(handle.top(), baseHandle.height() / 2 - 4);
    QCOMPARE(groove.height(), 4);
    QCOMPARE(groove.top(), m_pWindows->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderGroove).height() / 2 - 2);

    QStyleOptionSlider vertical = slider;
    vertical.orientation = Qt::Vertical;
    vertical.rect = QRect(0, 0, 30, 200);
    QCOMPARE(m_pStyle->subControlRect(QStyle::CC_Slider, &vertical, QStyle::SC_SliderGroove),
             m_pWindows->subControlRect(QStyle::CC_Slider, &vertical, QStyle::SC_SliderGroove));
}

void TestStyle::focusRectDrawsNothing()
{
    QImage image = Canvas(QSize(40, 20));
    QPainter painter(&image);
    QStyleOptionFocusRect focus;
    focus.rect = image.rect();
    m_pStyle->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter);
    painter.end();
    QVERIFY(IsUntouched(image));

    // The base style does draw one: the check above is not vacuous.
    QImage base = Canvas(QSize(40, 20));
    QPainter basePainter(&base);
    m_pWindows->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &basePainter);
    basePainter.end();
    QVERIFY(!IsUntouched(base));
}

void TestStyle::styledPanelDrawsNoFrame()
{
    QStyleOptionFrame frame;
    frame.rect = QRect(0, 0, 40, 30);
    frame.lineWidth = 2;
    frame.frameShape = QFrame::StyledPanel;
    frame.state = QStyle::State_Raised;
    QImage image = Canvas(QSize(40, 30));
    QPainter painter(&image);
    m_pStyle->drawControl(QStyle::CE_ShapedFrame, &frame, &painter);
    painter.end();
    QVERIFY(IsUntouched(image));

    frame.frameShape = QFrame::Box;
    frame.state = QStyle::State_None;
    QImage box = Canvas(QSize(40, 30));
    QPainter boxPainter(&box);
    m_pStyle->drawControl(QStyle::CE_ShapedFrame, &frame, &boxPainter);
    boxPainter.end();
    QVERIFY(!IsUntouched(box));
}

void TestStyle::progressBar_data()
{
    QTest::addColumn<int>("progress");
    QTest::newRow("0") << 0;
    QTest::newRow("half") << 50;
    QTest::newRow("full") << 100;
}

void TestStyle::progressBar()
{
    QFETCH(int, progress);
    const QImage grooveLeft(QStringLiteral(":images/public/ProgressBar/ProgressBarLeft.png"));
    const QImage grooveRight(QStringLiteral(":images/public/ProgressBar/ProgressBarRight.png"));
    const QImage fillLeft(QStringLiteral(":images/public/ProgressBar/ProgressBarLeftChunk.png"));
    const QImage fillRight(QStringLiteral(":images/public/ProgressBar/ProgressBarRightChunk.png"));
    const QColor grooveColour = MiddlePixel(":images/public/ProgressBar/ProgressBar.png");
    const QColor fillColour = MiddlePixel(":images/public/ProgressBar/ProgressBarChunk.png");
    QVERIFY(grooveColour != fillColour);

    QStyleOptionProgressBar bar;
    bar.rect = QRect(10, 4, 200, grooveLeft.height());
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = progress;
    bar.state = QStyle::State_Enabled;
    QImage image = Canvas(QSize(230, grooveLeft.height() + 8));
    QPainter painter(&image);
    m_pStyle->drawControl(QStyle::CE_ProgressBarGroove, &bar, &painter);
    painter.end();

    const int y = bar.rect.y() + grooveLeft.height() / 2;
    const int middleStart = bar.rect.x() + grooveLeft.width();
    const int span = bar.rect.width() - fillLeft.width() - grooveRight.width();
    const int filled = span * progress / 100;
    auto at = [&](int x) { return QColor(image.pixel(x, y)); };

    QCOMPARE(at(bar.rect.x() - 1), kBackground);
    if (progress == 0) {
        QCOMPARE(at(middleStart + 1), grooveColour);
        QCOMPARE(at(middleStart + span / 2), grooveColour);
    } else {
        QCOMPARE(at(middleStart + 1), fillColour);
        QCOMPARE(at(middleStart + filled - 1), fillColour);
    }
    if (progress == 50) {
        QCOMPARE(filled, (200 - fillLeft.width() - grooveRight.width()) / 2);
        QCOMPARE(at(middleStart + filled + 1), grooveColour);
    }
    const int rightX = bar.rect.x() + bar.rect.width() - grooveRight.width() + grooveRight.width() / 2;
    const QImage& rightPiece = progress == 100 ? fillRight : grooveRight;
    QCOMPARE(at(rightX), QColor(rightPiece.pixel(grooveRight.width() / 2, grooveLeft.height() / 2)));
}

void TestStyle::progressBarWithEmptyRange()
{
    const QColor grooveColour = MiddlePixel(":images/public/ProgressBar/ProgressBar.png");
    QStyleOptionProgressBar bar;
    bar.rect = QRect(0, 0, 100, 14);
    bar.minimum = 5;
    bar.maximum = 5;
    bar.progress = 5;
    QImage image = Canvas(QSize(100, 14));
    QPainter painter(&image);
    m_pStyle->drawControl(QStyle::CE_ProgressBarGroove, &bar, &painter);
    m_pStyle->drawControl(QStyle::CE_ProgressBarContents, &bar, &painter);
    painter.end();
    QCOMPARE(QColor(image.pixel(50, 7)), grooveColour);
}

void TestStyle::progressBarFullIntRange()
{
    // Span times progress and maximum minus minimum both leave the int range.
    const QImage grooveLeft(QStringLiteral(":images/public/ProgressBar/ProgressBarLeft.png"));
    const QImage grooveRight(QStringLiteral(":images/public/ProgressBar/ProgressBarRight.png"));
    const QImage fillLeft(QStringLiteral(":images/public/ProgressBar/ProgressBarLeftChunk.png"));
    const QColor grooveColour = MiddlePixel(":images/public/ProgressBar/ProgressBar.png");
    const QColor fillColour = MiddlePixel(":images/public/ProgressBar/ProgressBarChunk.png");

    QStyleOptionProgressBar bar;
    bar.rect = QRect(0, 0, 400, grooveLeft.height());
    bar.minimum = std::numeric_limits<int>::min();
    bar.maximum = std::numeric_limits<int>::max();
    bar.progress = std::numeric_limits<int>::max() / 2; // three quarters of the range
    QImage image = Canvas(QSize(400, grooveLeft.height()));
    QPainter painter(&image);
    m_pStyle->drawControl(QStyle::CE_ProgressBarGroove, &bar, &painter);
    painter.end();

    const int y = grooveLeft.height() / 2;
    const int span = 400 - fillLeft.width() - grooveRight.width();
    const int filled = int(qint64(span) * (qint64(bar.progress) - bar.minimum) / (qint64(bar.maximum) - bar.minimum));
    QVERIFY(qAbs(filled - span * 3 / 4) <= 1);
    const int middleStart = grooveLeft.width();
    QCOMPARE(QColor(image.pixel(middleStart + filled - 2, y)), fillColour);
    QCOMPARE(QColor(image.pixel(middleStart + filled + 2, y)), grooveColour);
}

void TestStyle::selectedItemFillsDecorationOnly()
{
    QStyleOptionViewItem item;
    item.rect = QRect(0, 0, 120, 24);
    item.features = QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    item.decorationSize = QSize(16, 16);
    item.decorationPosition = QStyleOptionViewItem::Left;
    item.text = QStringLiteral("item");
    item.state = QStyle::State_Enabled;

    QImage unselected = Canvas(QSize(120, 24));
    QPainter unselectedPainter(&unselected);
    m_pStyle->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, &unselectedPainter);
    unselectedPainter.end();
    QVERIFY(IsUntouched(unselected));

    item.state |= QStyle::State_Selected;
    QImage image = Canvas(QSize(120, 24));
    QPainter painter(&image);
    m_pStyle->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, &painter);
    painter.end();
    const QRect decoration = m_pStyle->subElementRect(QStyle::SE_ItemViewItemDecoration, &item);
    QVERIFY(decoration.isValid());
    QCOMPARE(QColor(image.pixel(decoration.center())), MiddlePixel(":images/ControlPanel/ListView-hover.png"));
    QCOMPARE(QColor(image.pixel(decoration.right() + 20, decoration.center().y())), kBackground);
}

void TestStyle::tabShapeUsesTabImages()
{
    QStyleOptionTab tab;
    tab.rect = QRect(0, 0, 60, 40);
    tab.state = QStyle::State_Enabled | QStyle::State_Selected;
    QImage image = Canvas(QSize(60, 40));
    QPainter painter(&image);
    m_pStyle->drawControl(QStyle::CE_TabBarTabShape, &tab, &painter);
    painter.end();
    const QImage selected(QStringLiteral(":/images/Tab/TabSelect.png"));
    QCOMPARE(QColor(image.pixel(1, 20)), kBackground);
    QCOMPARE(QColor(image.pixel(59, 20)), kBackground);
    QCOMPARE(QColor(image.pixel(8, 20)), QColor(selected.pixel(8 % selected.width(), 20)));

    tab.state = QStyle::State_Enabled;
    QImage other = Canvas(QSize(60, 40));
    QPainter otherPainter(&other);
    m_pStyle->drawControl(QStyle::CE_TabBarTabShape, &tab, &otherPainter);
    otherPainter.end();
    const QImage unselected(QStringLiteral(":/images/Tab/TabUnselect.png"));
    QCOMPARE(QColor(other.pixel(8, 20)), QColor(unselected.pixel(8 % unselected.width(), 20)));
}

void TestStyle::sliderDrawsGrooveAndHandle()
{
    const QStyleOptionSlider slider = HorizontalSlider();
    QImage image = Canvas(QSize(200, 30));
    QPainter painter(&image);
    m_pStyle->drawComplexControl(QStyle::CC_Slider, &slider, &painter);
    painter.end();
    const QRect groove = m_pStyle->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderGroove);
    const QRect handle = m_pStyle->subControlRect(QStyle::CC_Slider, &slider, QStyle::SC_SliderHandle);
    const int grooveY = groove.center().y();
    QCOMPARE(QColor(image.pixel(groove.x() + 3 + handle.left() / 2, grooveY)),
             MiddlePixel(":/images/public/Slider/LeftSlider.png"));
    QCOMPARE(QColor(image.pixel(handle.right() + 30, grooveY)), MiddlePixel(":/images/public/Slider/RightSlider.png"));
    QCOMPARE(QColor(image.pixel(handle.center().x(), handle.center().y())),
             MiddlePixel(":/images/public/Slider/RadiobtnOff.png"));

    // A slider request without a slider option draws nothing.
    QStyleOptionComplex plain;
    plain.rect = QRect(0, 0, 200, 30);
    QImage empty = Canvas(QSize(200, 30));
    QPainter emptyPainter(&empty);
    m_pStyle->drawComplexControl(QStyle::CC_Slider, &plain, &emptyPainter);
    emptyPainter.end();
    QVERIFY(IsUntouched(empty));
}

// Columns of the image, left to right, that hold a pixel other than the background.
static QList<int> PaintedColumns(const QImage& image)
{
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (QColor(image.pixel(x, y)) != kBackground) {
                columns.append(x);
                break;
            }
        }
    }
    return columns;
}

void TestStyle::sliderTicks()
{
    QStyleOptionSlider slider = HorizontalSlider();
    slider.subControls = QStyle::SC_SliderTickmarks;
    slider.tickPosition = QSlider::TicksBelow;
    slider.tickInterval = 5;
    slider.palette.setColor(QPalette::WindowText, Qt::black);
    QImage image = Canvas(QSize(200, 30));
    QPainter painter(&image);
    m_pStyle->drawComplexControl(QStyle::CC_Slider, &slider, &painter);
    painter.end();
    // Values 0, 5 and 10: the first lies at position 0 and draws nothing.
    const int available = m_pStyle->pixelMetric(QStyle::PM_SliderSpaceAvailable, &slider);
    const int half = m_pStyle->pixelMetric(QStyle::PM_SliderLength, &slider) / 2;
    const QList<int> expected { QStyle::sliderPositionFromValue(1, 10, 5, available) + half,
                                QStyle::sliderPositionFromValue(1, 10, 10, available) + half };
    QCOMPARE(PaintedColumns(image), expected);

    // Steps that do not advance (only a hand-made option has them) end the
    // walk after the first value, the minimum, which draws nothing.
    slider.tickInterval = 0;
    slider.singleStep = -1;
    slider.pageStep = -1;
    QImage negative = Canvas(QSize(200, 30));
    QPainter negativePainter(&negative);
    m_pStyle->drawComplexControl(QStyle::CC_Slider, &slider, &negativePainter);
    negativePainter.end();
    QVERIFY(PaintedColumns(negative).isEmpty());
}

QTEST_MAIN(TestStyle)
#include "tst_style.moc"

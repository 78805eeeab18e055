// CToolTip and its window CToolLabel: reuse, placement, expiry, hiding.

#include "CToolLabel.h"
#include "CToolTip.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QtTest>

class TestToolTip : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void showsTextBelowRightOfCursor();
    void emptyTextShowsNothing();
    void sameTextNeitherMovesNorRestarts();
    void newTextResizesReplacesAndRestarts();
    void nearRightEdgeShowsLeftOfCursor();
    void nearBottomShowsAboveCursor();
    void expireTimeGrowsWithLongTexts();
    void leaveEventHidesAfterShortDelay();
    void windowActivationHidesAtOnce();
    void hideTextDeletesTip();
    void newLabelReplacesPrevious();
    void nullWidgetWithRectOnlyWarns();
    void widgetDeletedWhileTipShows();
    void paletteAppliesToLiveTip();
};

static QRect ScreenRect()
{
    return QGuiApplication::primaryScreen()->geometry();
}

static QPoint TipPos()
{
    return CToolLabel::Instance()->pos();
}

void TestToolTip::cleanup()
{
    CToolTip::HideText();
    QTRY_VERIFY(!CToolLabel::Instance());
}

void TestToolTip::showsTextBelowRightOfCursor()
{
    const QPoint cursor = ScreenRect().center();
    CToolTip::ShowText(cursor, QStringLiteral("Password cannot be empty."));
    QVERIFY(CToolTip::IsVisible());
    QCOMPARE(CToolTip::Text(), QStringLiteral("Password cannot be empty."));
    QCOMPARE(CToolLabel::Instance()->objectName(), QStringLiteral("ctooltip_label"));
    QCOMPARE(TipPos(), cursor + QPoint(2, 21));
}

void TestToolTip::emptyTextShowsNothing()
{
    CToolTip::ShowText(ScreenRect().center(), QString());
    QVERIFY(!CToolTip::IsVisible());
    QVERIFY(!CToolLabel::Instance());
    QCOMPARE(CToolTip::Text(), QString());
}

void TestToolTip::sameTextNeitherMovesNorRestarts()
{
    const QPoint cursor = ScreenRect().center();
    QElapsedTimer clock;
    clock.start();
    CToolTip::ShowText(cursor, QStringLiteral("same"));
    QPointer<CToolLabel> tip = CToolLabel::Instance();
    const QPoint shownAt = TipPos();

    QTest::qWait(4000);
    CToolTip::ShowText(cursor + QPoint(30, 30), QStringLiteral("same"));
    QCOMPARE(CToolLabel::Instance(), tip.data());
    QCOMPARE(TipPos(), shownAt);

    // Not restarted: the tip expires 8 s after it was first shown.
    QTRY_VERIFY_WITH_TIMEOUT(!CToolTip::IsVisible(), 6000);
    QVERIFY(clock.elapsed() >= CToolLabel::ExpireTimeFor(4) - 100);
    QVERIFY(clock.elapsed() < CToolLabel::ExpireTimeFor(4) + 2000);
    QTRY_VERIFY(tip.isNull());
}

void TestToolTip::newTextResizesReplacesAndRestarts()
{
    const QPoint cursor = ScreenRect().center();
    CToolTip::ShowText(cursor, QStringLiteral("short"));
    QPointer<CToolLabel> tip = CToolLabel::Instance();
    const QSize shortSize = tip->size();

    QTest::qWait(4000);
    const QString longer = QStringLiteral("a much longer text for the same tip");
    CToolTip::ShowText(cursor + QPoint(40, 10), longer);
    QCOMPARE(CToolLabel::Instance(), tip.data());
    QCOMPARE(CToolTip::Text(), longer);
    QVERIFY(tip->width() > shortSize.width());
    QCOMPARE(TipPos(), cursor + QPoint(40, 10) + QPoint(2, 21));

    // Restarted: still shown 5 s later, 9 s after the first show.
    QTest::qWait(5000);
    QVERIFY(CToolTip::IsVisible());
}

void TestToolTip::nearRightEdgeShowsLeftOfCursor()
{
    const QRect screen = ScreenRect();
    const QPoint cursor(screen.right() - 10, screen.center().y());
    CToolTip::ShowText(cursor, QStringLiteral("near the right edge"));
    const QRect tip(TipPos(), CToolLabel::Instance()->size());
    QCOMPARE(tip.x(), cursor.x() + 2 - tip.width() - 4);
    QVERIFY(tip.right() < cursor.x());
    QCOMPARE(tip.y(), cursor.y() + 21);
}

void TestToolTip::nearBottomShowsAboveCursor()
{
    const QRect screen = ScreenRect();
    const QPoint cursor(screen.center().x(), screen.bottom() - 5);
    CToolTip::ShowText(cursor, QStringLiteral("near the bottom"));
    const QRect tip(TipPos(), CToolLabel::Instance()->size());
    QCOMPARE(tip.y(), cursor.y() + 21 - tip.height() - 24);
    QVERIFY(tip.bottom() < cursor.y());

    // In a corner both rules apply and the tip stays on the screen.
    CToolTip::HideText();
    QTRY_VERIFY(!CToolLabel::Instance());
    CToolTip::ShowText(screen.bottomRight(), QStringLiteral("corner"));
    QVERIFY(screen.contains(QRect(TipPos(), CToolLabel::Instance()->size())));
}

void TestToolTip::expireTimeGrowsWithLongTexts()
{
    QCOMPARE(CToolLabel::ExpireTimeFor(0), 8000);
    QCOMPARE(CToolLabel::ExpireTimeFor(100), 8000);
    QCOMPARE(CToolLabel::ExpireTimeFor(101), 8040);
    QCOMPARE(CToolLabel::ExpireTimeFor(150), 10000);
}

void TestToolTip::leaveEventHidesAfterShortDelay()
{
    CToolTip::ShowText(ScreenRect().center(), QStringLiteral("leave"));
    QObject someObject;
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&someObject, &leave);
    QVERIFY(CToolTip::IsVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!CToolTip::IsVisible(), 1000);
}

void TestToolTip::windowActivationHidesAtOnce()
{
    CToolTip::ShowText(ScreenRect().center(), QStringLiteral("activate"));
    QObject someObject;
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&someObject, &activate);
    QVERIFY(!CToolTip::IsVisible());

    // Key presses do not hide it.
    CToolTip::ShowText(ScreenRect().center(), QStringLiteral("keys"));
    QWidget target;
    QTest::keyClick(&target, Qt::Key_A);
    QVERIFY(CToolTip::IsVisible());
}

void TestToolTip::hideTextDeletesTip()
{
    CToolTip::ShowText(ScreenRect().center(), QStringLiteral("bye"));
    QPointer<CToolLabel> tip = CToolLabel::Instance();
    CToolTip::HideText();
    QVERIFY(!CToolTip::IsVisible());
    QTRY_VERIFY(tip.isNull());
    QCOMPARE(CToolTip::Text(), QString());
}

void TestToolTip::newLabelReplacesPrevious()
{
    CToolTip::ShowText(ScreenRect().center(), QStringLiteral("first"));
    QPointer<CToolLabel> first = CToolLabel::Instance();
    first->hide();
    // A hidden tip is not reused: a new label replaces and deletes it.
    CToolTip::ShowText(ScreenRect().center(), QStringLiteral("second"));
    QVERIFY(first.isNull());
    QCOMPARE(CToolTip::Text(), QStringLiteral("second"));
}

void TestToolTip::nullWidgetWithRectOnlyWarns()
{
    QWidget owner;
    CToolTip::ShowText(ScreenRect().center(), QStringLiteral("rect"), &owner, QRect(0, 0, 50, 50));
    QTest::ignoreMessage(QtWarningMsg, "CToolTip::setTipRect: Cannot pass null widget if rect is set");
    CToolLabel::Instance()->setTipRect(nullptr, QRect(1, 1, 5, 5));
    // Still bound to the owner: the same text for the owner inside the rectangle is no change.
    QVERIFY(!CToolLabel::Instance()->TipChanged(QPoint(10, 10), QStringLiteral("rect"), &owner));
    QVERIFY(CToolLabel::Instance()->TipChanged(QPoint(60, 10), QStringLiteral("rect"), &owner));
}

void TestToolTip::widgetDeletedWhileTipShows()
{
    auto* owner = new QWidget();
    owner->setGeometry(ScreenRect().x() + 300, ScreenRect().y() + 300, 100, 100);
    owner->show();
    QVERIFY(QTest::qWaitForWindowExposed(owner));
    const QPoint inOwner = owner->mapToGlobal(QPoint(10, 10));
    CToolTip::ShowText(inOwner, QStringLiteral("owned"), owner, QRect(0, 0, 50, 50));
    QPointer<CToolLabel> tip = CToolLabel::Instance();
    QVERIFY(tip);
    delete owner;

    // Moves over the tip after its widget has gone must not reach that
    // widget; the rectangle then no longer maps and the tip goes.
    for (int i = 0; i < 20 && tip; ++i) {
        const QPoint global = tip->mapToGlobal(QPoint(2 + i, 2));
        QMouseEvent move(QEvent::MouseMove, QPointF(2 + i, 2), QPointF(global), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(tip, &move);
    }
    QTRY_VERIFY(!CToolTip::IsVisible());
    QVERIFY(!CToolLabel::Instance() || CToolLabel::Instance() == tip.data());
}

void TestToolTip::paletteAppliesToLiveTip()
{
    CToolTip::ShowText(ScreenRect().center(), QStringLiteral("colours"));
    QPalette palette = CToolTip::Palette();
    palette.setColor(QPalette::ToolTipBase, QColor(1, 2, 3));
    CToolTip::SetPalette(palette);
    QCOMPARE(CToolLabel::Instance()->palette().color(QPalette::ToolTipBase), QColor(1, 2, 3));
    QCOMPARE(CToolTip::Palette().color(QPalette::ToolTipBase), QColor(1, 2, 3));

    QFont font = CToolTip::Font();
    font.setPointSize(17);
    CToolTip::SetFont(font);
    QCOMPARE(CToolTip::Font().pointSize(), 17);
}

QTEST_MAIN(TestToolTip)
#include "tst_tooltip.moc"

// CBaseDialog, CWarnDlg, CWarnInfoDlg, CMutiroleDialog and CInformationDlg.

#include "CBaseDialog.h"
#include "CInformationDlg.h"
#include "CMutiroleDialog.h"
#include "CWarnDlg.h"
#include "CWarnInfoDlg.h"

#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QTextEdit>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {

// Acts on the next modal dialog as soon as it is shown.
void WhenModalShown(const std::function<void(QDialog*)>& act)
{
    auto* poll = new QTimer();
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(dialog);
    });
    poll->start();
}

void ClickButton(QDialog* dialog, const char* name)
{
    auto* button = dialog->findChild<QPushButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    button->click();
}

QTextBrowser* Browser(QWidget* dialog)
{
    return dialog->findChild<QTextBrowser*>(QStringLiteral("m_pBrowserTxt"));
}

void SendMouse(QWidget* w, QEvent::Type type, const QPoint& local, const QPoint& global)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

class CountedFrame : public CMutiroleDialog
{
public:
    using CMutiroleDialog::CMutiroleDialog;
    ~CountedFrame() override { ++s_nDestroyed; }
    static int s_nDestroyed;
};
int CountedFrame::s_nDestroyed = 0;

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT
private slots:
    void baseDialogBuildsItsTree();
    void baseDialogWithoutBottom();
    void dragStartsOnlyInTitleBand_data();
    void dragStartsOnlyInTitleBand();
    void escapeIsSwallowed();
    void returnAccepts();
    void okWithoutAcceptOnlySignals();
    void closeButtonWithoutCloseOnlySignals();
    void contentWidget();
    void roundedMask();
    void showInformationWithoutParent();
    void showConfirmResults_data();
    void showConfirmResults();
    void returnWhileCancelHasFocus();
    void showInformationResults();
    void escapeKeepsMessageBoxOpen();
    void parentDeletedWhileBoxOpen();
    void messageBoxWidth();
    void tallTextGrowsBox();
    void shortTextIsCentred();
    void warnInfoRelaysFromOtherThread();
    void warnInfoOutlivesItsParent();
    void mutiroleDeletedOnce();
    void mutiroleHostDeletedByItsParent();
    void mutiroleWithoutParentDoesNothing();
    void mutiroleKeys();
    void mutiroleCloseButtonRunsSlot();
    void informationText();
    void messageTextsShownAsTheyAre_data();
    void messageTextsShownAsTheyAre();
    void informationAnchor();
    void informationCornerAndHiding();
    void informationPopupParentStaysWindow();
};

void TestDialogs::baseDialogBuildsItsTree()
{
    CBaseDialog dialog(nullptr, true, true, false);
    QCOMPARE(dialog.objectName(), QStringLiteral("CBaseDialogClass"));
    QCOMPARE(dialog.size(), QSize(437, 327));
    QCOMPARE(dialog.minimumSize(), QSize(0, 150));
    QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(dialog.styleSheet().contains(QStringLiteral("dialog_bg.png\") 58;")));
    for (const char* name : { "pLabelTitle", "m_pCloseBtn", "m_pContentFrame", "m_pBottomFrame", "pOkBtn", "pCancelBtn" })
        QVERIFY2(dialog.findChild<QWidget*>(QLatin1String(name)), name);
    dialog.show();
    QVERIFY(!dialog.findChild<QWidget*>(QStringLiteral("m_pCloseBtn"))->isVisible());
    QVERIFY(dialog.findChild<QWidget*>(QStringLiteral("pOkBtn"))->isVisible());
    QVERIFY(!dialog.findChild<QWidget*>(QStringLiteral("pCancelBtn"))->isVisible());
    QCOMPARE(dialog.findChild<QFrame*>(QStringLiteral("m_pBottomFrame"))->maximumHeight(), 52);

    dialog.SetTitle(QStringLiteral("Title"));
    QCOMPARE(dialog.GetTitle(), QStringLiteral("Title"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("pLabelTitle"))->text(), QStringLiteral("Title"));
    dialog.ShowCloseBtn(true);
    QVERIFY(dialog.findChild<QWidget*>(QStringLiteral("m_pCloseBtn"))->isVisible());
    dialog.SetOkBtnText(QStringLiteral("Apply"));
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->text(), QStringLiteral("Apply"));
    dialog.SetOkBtnEnable(false);
    QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->isEnabled());
}

void TestDialogs::baseDialogWithoutBottom()
{
    CBaseDialog dialog(nullptr, false, false, false);
    QCOMPARE(dialog.layout()->contentsMargins(), QMargins(6, 4, 6, 11));
    QVERIFY(dialog.styleSheet().contains(QStringLiteral("dialog_bg2.png\") 34 6 16 6;")));
    dialog.show();
    QVERIFY(!dialog.findChild<QWidget*>(QStringLiteral("m_pBottomFrame"))->isVisible());

    dialog.ShowBottomFrame(true);
    QVERIFY(dialog.findChild<QWidget*>(QStringLiteral("m_pBottomFrame"))->isVisible());
    QVERIFY(dialog.findChild<QWidget*>(QStringLiteral("pCancelBtn"))->isVisible());
    QVERIFY(dialog.styleSheet().contains(QStringLiteral("dialog_bg.png\") 58;")));
    // Margins stay as they were.
    QCOMPARE(dialog.layout()->contentsMargins(), QMargins(6, 4, 6, 11));
}

void TestDialogs::dragStartsOnlyInTitleBand_data()
{
    QTest::addColumn<int>("pressY");
    QTest::addColumn<bool>("drags");
    QTest::newRow("y=0") << 0 << true;
    QTest::newRow("y=32") << 32 << true;
    QTest::newRow("y=33") << 33 << false;
    QTest::newRow("y=200") << 200 << false;
}

void TestDialogs::dragStartsOnlyInTitleBand()
{
    QFETCH(int, pressY);
    QFETCH(bool, drags);
    CBaseDialog dialog;
    dialog.move(100, 100);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QPoint start = dialog.pos();
    const QPoint press(40, pressY);
    SendMouse(&dialog, QEvent::MouseButtonPress, press, start + press);
    const QPoint target = start + press + QPoint(25, 17);
    SendMouse(&dialog, QEvent::MouseMove, press + QPoint(25, 17), target);
    QCOMPARE(dialog.pos(), drags ? target - press : start);

    // After the release further moves leave the dialog where it is.
    const QPoint afterDrag = dialog.pos();
    SendMouse(&dialog, QEvent::MouseButtonRelease, press, target);
    SendMouse(&dialog, QEvent::MouseMove, press, target + QPoint(50, 50));
    QCOMPARE(dialog.pos(), afterDrag);
}

void TestDialogs::escapeIsSwallowed()
{
    CBaseDialog dialog;
    dialog.show();
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.isVisible());
    QCOMPARE(rejected.count(), 0);
}

void TestDialogs::returnAccepts()
{
    for (Qt::Key key : { Qt::Key_Return, Qt::Key_Enter, Qt::Key_Select }) {
        CBaseDialog dialog;
        dialog.show();
        QTest::keyClick(&dialog, key);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
}

void TestDialogs::okWithoutAcceptOnlySignals()
{
    CBaseDialog dialog;
    dialog.SetOkAccept(false);
    dialog.show();
    QSignalSpy okSignal(&dialog, &CBaseDialog::ClickedOKBtnSig);
    QSignalSpy accepted(&dialog, &QDialog::accepted);
    dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
    QCOMPARE(okSignal.count(), 1);
    QCOMPARE(accepted.count(), 0);
    QVERIFY(dialog.isVisible());

    dialog.SetOkAccept(true);
    dialog.findChild<QPushButton*>(QStringLiteral("pOkBtn"))->click();
    QCOMPARE(okSignal.count(), 1);
    QCOMPARE(accepted.count(), 1);
}

void TestDialogs::closeButtonWithoutCloseOnlySignals()
{
    CBaseDialog dialog;
    dialog.ShowCloseBtn(true);
    dialog.SetCloseBtnClose(false);
    dialog.show();
    QSignalSpy closeSignal(&dialog, &CBaseDialog::ClickedCloseBtnSig);
    auto* closeButton = dialog.findChild<QPushButton*>(QStringLiteral("m_pCloseBtn"));
    QCOMPARE(closeButton->focusPolicy(), Qt::NoFocus);
    closeButton->click();
    QCOMPARE(closeSignal.count(), 1);
    QVERIFY(dialog.isVisible());
    dialog.SetCloseBtnClose(true);
    closeButton->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(closeSignal.count(), 1);
}

void TestDialogs::contentWidget()
{
    CBaseDialog dialog;
    QVERIFY(!dialog.SetContentWidget(nullptr));
    QVERIFY(!dialog.GetContentFrame()->layout());
    auto* first = new QLabel(QStringLiteral("first"));
    auto* second = new QLabel(QStringLiteral("second"));
    QVERIFY(dialog.SetContentWidget(first));
    QVERIFY(dialog.SetContentWidget(second));
    QCOMPARE(first->parentWidget(), dialog.GetContentFrame());
    QLayout* layout = dialog.GetContentFrame()->layout();
    QVERIFY(layout);
    QCOMPARE(layout->count(), 2);
    QCOMPARE(layout->contentsMargins(), QMargins());
}

void TestDialogs::roundedMask()
{
    CBaseDialog dialog;
    dialog.resize(200, 160);
    dialog.show();
    QTRY_VERIFY(!dialog.mask().isEmpty());
    QVERIFY(!dialog.mask().contains(QPoint(0, 0)));
    QVERIFY(dialog.mask().contains(QPoint(100, 0)));
    QVERIFY(!dialog.mask().contains(QPoint(199, 159)));
}

void TestDialogs::showInformationWithoutParent()
{
    QCOMPARE(CWarnDlg::ShowInformation(QStringLiteral("Information"), QStringLiteral("text"), nullptr), -1);
    QCOMPARE(CWarnDlg::ShowConfirm(QStringLiteral("Confirm"), QStringLiteral("text"), nullptr), -1);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestDialogs::showConfirmResults_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("OK") << QStringLiteral("pOkBtn") << 1;
    QTest::newRow("Cancel") << QStringLiteral("pCancelBtn") << 0;
    QTest::newRow("close") << QStringLiteral("m_pCloseBtn") << 0;
}

void TestDialogs::showConfirmResults()
{
    QFETCH(QString, button);
    QFETCH(int, result);
    QWidget owner;
    QString title;
    WhenModalShown([&](QDialog* dialog) {
        title = static_cast<CBaseDialog*>(dialog)->GetTitle();
        ClickButton(dialog, qPrintable(button));
    });
    QCOMPARE(CWarnDlg::ShowConfirm(QStringLiteral("Confirm"), QStringLiteral("Sure to close software"), &owner), result);
    QCOMPARE(title, QStringLiteral("Confirm"));
}

void TestDialogs::returnWhileCancelHasFocus()
{
    QWidget owner;
    for (Qt::Key key : { Qt::Key_Return, Qt::Key_Enter }) {
        WhenModalShown([key](QDialog* dialog) {
            auto* cancel = dialog->findChild<QPushButton*>(QStringLiteral("pCancelBtn"));
            cancel->setFocus();
            QTest::keyClick(cancel, key);
        });
        QCOMPARE(CWarnDlg::ShowConfirm(QStringLiteral("Confirm"), QStringLiteral("text"), &owner), 1);
    }
}

void TestDialogs::showInformationResults()
{
    QWidget owner;
    bool bottomVisible = true;
    WhenModalShown([&bottomVisible](QDialog* dialog) {
        bottomVisible = dialog->findChild<QWidget*>(QStringLiteral("m_pBottomFrame"))->isVisible();
        ClickButton(dialog, "m_pCloseBtn");
    });
    QCOMPARE(CWarnDlg::ShowInformation(QStringLiteral("Information"), QStringLiteral("done"), &owner), 0);
    QVERIFY(!bottomVisible);

    WhenModalShown([](QDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
    QCOMPARE(CWarnDlg::ShowInformation(QStringLiteral("Information"), QStringLiteral("done"), &owner), 1);
}

void TestDialogs::escapeKeepsMessageBoxOpen()
{
    QWidget owner;
    bool stillOpen = false;
    WhenModalShown([&stillOpen](QDialog* dialog) {
        QTest::keyClick(dialog, Qt::Key_Escape);
        stillOpen = dialog->isVisible();
        ClickButton(dialog, "pOkBtn");
    });
    QCOMPARE(CWarnDlg::ShowConfirm(QStringLiteral("Confirm"), QStringLiteral("text"), &owner), 1);
    QVERIFY(stillOpen);
}

void TestDialogs::parentDeletedWhileBoxOpen()
{
    // The parent goes while the box is open: the box goes with it, once, and
    // the call returns 0.
    for (bool confirm : { false, true }) {
        auto* owner = new QWidget();
        QPointer<QDialog> shown;
        WhenModalShown([&shown, owner](QDialog* dialog) {
            shown = dialog;
            delete owner;
        });
        const int result = confirm ? CWarnDlg::ShowConfirm(QStringLiteral("Confirm"), QStringLiteral("text"), owner)
                                   : CWarnDlg::ShowInformation(QStringLiteral("Information"), QStringLiteral("text"), owner);
        QCOMPARE(result, 0);
        QVERIFY(shown.isNull());
    }

    // The same through the relay.
    auto* owner = new QWidget();
    CWarnInfoDlg::SetParentWidget(owner);
    bool shown = false;
    WhenModalShown([&shown, owner](QDialog*) {
        shown = true;
        delete owner;
    });
    CWarnInfoDlg::GetInstance()->ShowMsg(QStringLiteral("Relay"), QStringLiteral("text"));
    QVERIFY(shown);
    CWarnInfoDlg::SetParentWidget(nullptr);
}

void TestDialogs::messageBoxWidth()
{
    QWidget owner;
    const QFontMetrics metrics = Browser(new CWarnDlg(&owner))->fontMetrics();
    bool sawMinimum = false;
    bool sawMiddle = false;
    bool sawMaximum = false;
    QString text;
    // Texts of growing width cross both limits of the box width.
    for (int length = 1; length <= 120; ++length) {
        text += QLatin1Char(length % 2 ? 'x' : 'i');
        const int measured = metrics.horizontalAdvance(text);
        CWarnDlg box(&owner);
        box.AdjustWidth(text);
        if (measured <= 263) {
            QCOMPARE(box.width(), 300);
            QCOMPARE(Browser(&box)->width(), measured + 15);
            sawMinimum = true;
        } else if (measured < 363) {
            QCOMPARE(box.width(), measured + 15 + 10 + 12);
            QCOMPARE(Browser(&box)->width(), measured + 15);
            sawMiddle = true;
        } else {
            QCOMPARE(box.width(), 400);
            QCOMPARE(Browser(&box)->width(), 378);
            sawMaximum = true;
        }
        QCOMPARE(box.height(), 225);
    }
    QVERIFY(sawMinimum && sawMiddle && sawMaximum);
}

// Prepares a box as ExecInformation does and shows it without a modal loop;
// returns the content frame height the text is measured against.
static int ShowInformationBox(CWarnDlg& box, const QString& text)
{
    box.AdjustWidth(text);
    box.ShowCloseBtn(true);
    box.ShowBottomFrame(false);
    box.layout()->activate();
    const int frameHeight = box.GetContentFrame()->height();
    box.SetTitleAndText(QStringLiteral("Information"), text);
    box.show();
    return frameHeight;
}

void TestDialogs::tallTextGrowsBox()
{
    QWidget owner;
    CWarnDlg box(&owner);
    const QString text = QStringLiteral("line\n").repeated(20);
    const int frameHeight = ShowInformationBox(box, text);
    QTextBrowser* browser = Browser(&box);
    const int needed = int(browser->document()->size().height() + 10.0);
    QVERIFY(needed > frameHeight);
    QTRY_COMPARE(browser->height(), needed);
    QCOMPARE(box.height(), 225 + (needed - frameHeight) + 30);
    QCOMPARE(browser->y(), 15);
}

void TestDialogs::shortTextIsCentred()
{
    QWidget owner;
    CWarnDlg box(&owner);
    const int frameHeight = ShowInformationBox(box, QStringLiteral("short"));
    QTextBrowser* browser = Browser(&box);
    const int needed = int(browser->document()->size().height() + 10.0);
    QTRY_COMPARE(browser->height(), needed);
    QCOMPARE(box.height(), 225);
    QCOMPARE(browser->y(), frameHeight / 2 - needed / 2);
    QCOMPARE(browser->x(), box.GetContentFrame()->width() / 2 - browser->width() / 2);
    QCOMPARE(browser->toPlainText(), QStringLiteral("short"));
}

void TestDialogs::warnInfoRelaysFromOtherThread()
{
    QWidget owner;
    CWarnInfoDlg::SetParentWidget(&owner);
    QString shownTitle;
    QThread* shownOn = nullptr;
    WhenModalShown([&](QDialog* dialog) {
        shownTitle = static_cast<CBaseDialog*>(dialog)->GetTitle();
        shownOn = QThread::currentThread();
        QCOMPARE(dialog->parentWidget(), &owner);
        ClickButton(dialog, "m_pCloseBtn");
    });
    QThread* worker = QThread::create([] {
        CWarnInfoDlg::GetInstance()->ShowMsg(QStringLiteral("From worker"), QStringLiteral("text"));
    });
    worker->start();
    QTRY_COMPARE(shownTitle, QStringLiteral("From worker"));
    QCOMPARE(shownOn, QThread::currentThread());
    worker->wait();
    delete worker;
    CWarnInfoDlg::SetParentWidget(nullptr);
}

void TestDialogs::warnInfoOutlivesItsParent()
{
    // The relay lives for the whole process, its parent widget may not.
    auto* owner = new QWidget();
    CWarnInfoDlg::SetParentWidget(owner);
    delete owner;
    bool shown = false;
    QWidget* shownParent = owner;
    WhenModalShown([&](QDialog* dialog) {
        shown = true;
        shownParent = dialog->parentWidget();
        ClickButton(dialog, "m_pCloseBtn");
    });
    CWarnInfoDlg::GetInstance()->ShowMsg(QStringLiteral("After the parent"), QStringLiteral("text"));
    QVERIFY(shown);
    QVERIFY(!shownParent);
}

void TestDialogs::mutiroleDeletedOnce()
{
    QWidget owner;
    CountedFrame::s_nDestroyed = 0;
    auto* frame = new CountedFrame(&owner);
    frame->resize(300, 200);
    frame->ShowModeless(&owner, QStringLiteral("Tool"), 320, 240);
    QPointer<CBaseDialog> host = frame->HostDialog();
    QVERIFY(host);
    QVERIFY(host->isVisible());
    QCOMPARE(host->size(), QSize(320, 240));
    QCOMPARE(host->GetTitle(), QStringLiteral("Tool"));
    QCOMPARE(frame->parentWidget(), host->GetContentFrame());
    QCOMPARE(frame->DialogWidth(), 320);

    // A second show reuses the dialog and keeps the frame in it once.
    frame->ShowModeless(&owner, QStringLiteral("Tool 2"), 330, 250);
    QCOMPARE(frame->HostDialog(), host.data());
    QCOMPARE(host->GetContentFrame()->layout()->count(), 1);

    delete frame;
    QCOMPARE(CountedFrame::s_nDestroyed, 1);
    QVERIFY(host.isNull());
}

void TestDialogs::mutiroleHostDeletedByItsParent()
{
    // The hosting dialog belongs to the widget it was shown for; when that
    // widget goes first, dialog and frame are each destroyed exactly once.
    auto* owner = new QWidget();
    CountedFrame::s_nDestroyed = 0;
    auto* frame = new CountedFrame(owner);
    frame->resize(300, 200);
    frame->ShowModeless(owner, QStringLiteral("Tool"), 320, 240);
    QPointer<CBaseDialog> host = frame->HostDialog();
    QPointer<CountedFrame> guard = frame;
    QVERIFY(host);
    QCOMPARE(host->parentWidget(), owner);

    delete owner;
    QVERIFY(host.isNull());
    QVERIFY(guard.isNull());
    QCOMPARE(CountedFrame::s_nDestroyed, 1);

    // Deleting the hosting dialog directly takes the frame with it, once.
    QWidget second;
    CountedFrame::s_nDestroyed = 0;
    auto* other = new CountedFrame(&second);
    other->ShowModeless(&second, QStringLiteral("Tool"), 320, 240);
    delete other->HostDialog();
    QCOMPARE(CountedFrame::s_nDestroyed, 1);
}

void TestDialogs::mutiroleWithoutParentDoesNothing()
{
    CMutiroleDialog frame;
    frame.resize(120, 80);
    frame.ShowModal(nullptr, QStringLiteral("none"));
    frame.ShowModeless(nullptr, QStringLiteral("none"), 100, 100);
    QVERIFY(!frame.HostDialog());
    frame.MoveDialog(7, 9);
    QCOMPARE(frame.pos(), QPoint(7, 9));
    QCOMPARE(frame.DialogWidth(), 120);
    QCOMPARE(frame.DialogHeight(), 80);
}

void TestDialogs::mutiroleKeys()
{
    QWidget owner;
    CMutiroleDialog frame(&owner);
    frame.resize(200, 150);
    WhenModalShown([&frame](QDialog* dialog) {
        QTest::keyClick(&frame, Qt::Key_Escape);
        QVERIFY(dialog->isVisible());
        QTest::keyClick(&frame, Qt::Key_Return);
    });
    QCOMPARE(frame.ExecModal(&owner, QStringLiteral("Keys")), 1);
}

void TestDialogs::mutiroleCloseButtonRunsSlot()
{
    QWidget owner;
    CMutiroleDialog frame(&owner);
    frame.resize(200, 150);
    frame.ShowModeless(&owner, QStringLiteral("Close"), 250, 200);
    frame.ShowModeless(&owner, QStringLiteral("Close"), 250, 200);
    CBaseDialog* host = frame.HostDialog();
    QSignalSpy closeSignal(host, &CBaseDialog::ClickedCloseBtnSig);
    host->findChild<QPushButton*>(QStringLiteral("m_pCloseBtn"))->click();
    QCOMPARE(closeSignal.count(), 1);
    QVERIFY(!host->isVisible());
}

void TestDialogs::informationText()
{
    CInformationDlg popup(nullptr, true);
    QCOMPARE(popup.size(), QSize(200, 150));
    QCOMPARE(popup.objectName(), QStringLiteral("m_this"));
    auto* label = popup.findChild<QLabel*>();
    auto* edit = popup.findChild<QTextEdit*>();
    popup.show();
    popup.SetText(QStringLiteral("short"));
    QVERIFY(label->isVisible());
    QVERIFY(!edit->isVisible());
    QCOMPARE(label->text(), QStringLiteral("short"));
    QCOMPARE(popup.Text(), QStringLiteral("short"));

    const QString longText = QStringLiteral("a text far too wide for the label of the popup window");
    popup.SetText(longText);
    QVERIFY(!label->isVisible());
    QVERIFY(edit->isVisible());
    QCOMPARE(edit->toPlainText(), longText);
    QVERIFY(label->text().isEmpty());

    CInformationDlg bare(nullptr, false);
    bare.SetText(QStringLiteral("ignored"));
    QVERIFY(bare.Text().isEmpty());
}

void TestDialogs::messageTextsShownAsTheyAre_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("image") << QStringLiteral("<img src=/dev/zero>");
    QTest::newRow("bold") << QStringLiteral("<b>bold</b>");
    QTest::newRow("long markup") << QStringLiteral("<b>a text far too wide for the label of the popup window</b>");
}

void TestDialogs::messageTextsShownAsTheyAre()
{
    QFETCH(QString, text);
    QWidget owner;
    CWarnDlg box(&owner);
    ShowInformationBox(box, text);
    QCOMPARE(Browser(&box)->toPlainText(), text);

    CInformationDlg popup(nullptr, true);
    popup.show();
    popup.SetText(text);
    auto* label = popup.findChild<QLabel*>();
    QCOMPARE(label->textFormat(), Qt::PlainText);
    auto* edit = popup.findChild<QTextEdit*>();
    QCOMPARE(label->isVisible() ? label->text() : edit->toPlainText(), text);
}

void TestDialogs::informationAnchor()
{
    CInformationDlg popup(nullptr, true);
    popup.show();
    popup.SetAnchor(500, 400);
    QCOMPARE(popup.pos(), QPoint(300, 250));
    // The next resize keeps the bottom-right corner at the anchor, once.
    popup.resize(180, 140);
    const QPoint moved = popup.pos();
    QCOMPARE(moved + QPoint(popup.width(), popup.height()), QPoint(500, 400));
    QVERIFY(moved != QPoint(300, 250));
    popup.resize(190, 150);
    QCOMPARE(popup.pos(), moved);
}

void TestDialogs::informationCornerAndHiding()
{
    CInformationDlg orphan(nullptr, true);
    orphan.ShowAtCorner(QStringLiteral("nothing"));
    QVERIFY(!orphan.isVisible());

    QWidget owner;
    auto* popup = new CInformationDlg(&owner, true);
    popup->ShowAtCorner(QStringLiteral("corner"));
    QVERIFY(popup->isVisible());
    const QRect work = owner.screen()->availableGeometry();
    QCOMPARE(popup->pos() + QPoint(popup->width(), popup->height()), QPoint(work.x() + work.width(), work.y() + work.height()));

    QCursor::setPos(popup->geometry().center());
    if (QCursor::pos() == popup->geometry().center()) {
        popup->HideWnd();
        QVERIFY(popup->isVisible());
    }
    QCursor::setPos(work.topLeft());
    popup->HideWnd();
    QVERIFY(!popup->isVisible());
}

void TestDialogs::informationPopupParentStaysWindow()
{
    QWidget owner;
    CInformationDlg::SetPopupParent(&owner);
    CInformationDlg* popup = CInformationDlg::Instance();
    QVERIFY(popup);
    QCOMPARE(popup->parentWidget(), &owner);
    QVERIFY(popup->isWindow());
    QVERIFY(popup->windowFlags() & Qt::WindowStaysOnTopHint);

    CInformationDlg::ShowPopupAt(QStringLiteral("at"), 600, 500);
    QVERIFY(popup->isVisible());
    QCOMPARE(popup->pos(), QPoint(600 - popup->width(), 500 - popup->height()));
    CInformationDlg::ShowPopupFor(QStringLiteral("for"), &owner);
    QCOMPARE(popup->Text(), QStringLiteral("for"));
    popup->hide();
}

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"

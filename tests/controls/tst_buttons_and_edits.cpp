// CRegExpValidator, CPasswordLineEdit, CDelayButton and CLabel.

#include "CDelayButton.h"
#include "CLabel.h"
#include "CPasswordLineEdit.h"
#include "CRegExpValidator.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

class TestButtonsAndEdits : public QObject
{
    Q_OBJECT
private slots:
    void validatorAcceptsUpToLimitByKeystrokes();
    void validatorCountsCjkInBytes();
    void validatorRefusesLongPasteAsWhole();
    void validatorAppliesPattern();
    void validatorNegativeLimitMeansNone();
    void passwordRefusesClipboardKeys_data();
    void passwordRefusesClipboardKeys();
    void passwordMenuHasNoClipboardEntries();
    void passwordContextMenuEventShowsPrunedMenu();
    void delayButtonEmitsAfterDelay();
    void delayButtonWaitsWhileChecked();
    void delayButtonRestartsOnNewRelease();
    void labelReportsDoubleClick();
    void labelShowsOwnTextAsTip();
    void labelKeepsExplicitTip();
};

// QTest::keyClicks only knows ASCII; other characters arrive as text.
static void TypeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

static QString Repeat(const QString& unit, int count)
{
    QString text;
    for (int i = 0; i < count; ++i)
        text += unit;
    return text;
}

void TestButtonsAndEdits::validatorAcceptsUpToLimitByKeystrokes()
{
    QLineEdit edit;
    edit.setValidator(new CRegExpValidator(39, &edit));
    QTest::keyClicks(&edit, Repeat(QStringLiteral("a"), 39));
    QCOMPARE(edit.text().size(), 39);
    QTest::keyClick(&edit, Qt::Key_B);
    QCOMPARE(edit.text(), Repeat(QStringLiteral("a"), 39));
}

void TestButtonsAndEdits::validatorCountsCjkInBytes()
{
    const QString cjk = QString::fromUtf8("\xe6\x91\x84");
    const int bytesPerChar = cjk.toLocal8Bit().size();
    QVERIFY2(bytesPerChar > 1, "the test needs a multi-byte locale such as C.UTF-8");

    CRegExpValidator validator(39, nullptr);
    const int fitting = 39 / bytesPerChar;
    QString input = Repeat(cjk, fitting);
    int pos = 0;
    QCOMPARE(validator.validate(input, pos), QValidator::Acceptable);
    input += cjk;
    QCOMPARE(validator.validate(input, pos), QValidator::Invalid);

    QLineEdit edit;
    edit.setValidator(new CRegExpValidator(39, &edit));
    TypeText(&edit, Repeat(cjk, fitting + 3));
    QCOMPARE(edit.text(), Repeat(cjk, fitting));
}

void TestButtonsAndEdits::validatorRefusesLongPasteAsWhole()
{
    QLineEdit edit;
    edit.setValidator(new CRegExpValidator(39, &edit));
    edit.insert(QStringLiteral("start"));
    edit.insert(Repeat(QStringLiteral("x"), 35));
    QCOMPARE(edit.text(), QStringLiteral("start"));
    edit.insert(Repeat(QStringLiteral("x"), 34));
    QCOMPARE(edit.text().size(), 39);
}

void TestButtonsAndEdits::validatorAppliesPattern()
{
    CRegExpValidator validator(10, QRegularExpression(QStringLiteral("[0-9]*")), nullptr);
    QString digits = QStringLiteral("123");
    QString letters = QStringLiteral("12a");
    QString tooLong = QStringLiteral("12345678901");
    int pos = 0;
    QCOMPARE(validator.validate(digits, pos), QValidator::Acceptable);
    QCOMPARE(validator.validate(letters, pos), QValidator::Invalid);
    QCOMPARE(validator.validate(tooLong, pos), QValidator::Invalid);
}

void TestButtonsAndEdits::validatorNegativeLimitMeansNone()
{
    CRegExpValidator validator(-1, nullptr);
    QString text = Repeat(QStringLiteral("z"), 500);
    int pos = 0;
    QCOMPARE(validator.validate(text, pos), QValidator::Acceptable);
}

void TestButtonsAndEdits::passwordRefusesClipboardKeys_data()
{
    QTest::addColumn<QKeySequence::StandardKey>("key");
    QTest::newRow("paste") << QKeySequence::Paste;
    QTest::newRow("copy") << QKeySequence::Copy;
    QTest::newRow("cut") << QKeySequence::Cut;
}

void TestButtonsAndEdits::passwordRefusesClipboardKeys()
{
    QFETCH(QKeySequence::StandardKey, key);
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText(QStringLiteral("from clipboard"));

    CPasswordLineEdit edit;
    QCOMPARE(edit.echoMode(), QLineEdit::Password);
    edit.setText(QStringLiteral("secret"));
    edit.selectAll();
    // Every binding the platform has for the action, not just the first one.
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    QVERIFY(!bindings.isEmpty());
    for (const QKeySequence& binding : bindings) {
        const QKeyCombination combination = binding[0];
        QTest::keyClick(&edit, combination.key(), combination.keyboardModifiers());
        QCOMPARE(edit.text(), QStringLiteral("secret"));
        QCOMPARE(clipboard->text(), QStringLiteral("from clipboard"));
    }
}

// The menu as labels without accelerators and shortcuts, "|" for a separator.
static QStringList ActionNames(const QMenu* menu)
{
    QStringList names;
    const QList<QAction*> actions = menu->actions();
    for (const QAction* action : actions) {
        QString label = action->text().section(u'\t', 0, 0);
        names << (action->isSeparator() ? QStringLiteral("|") : label.remove(u'&'));
    }
    return names;
}

void TestButtonsAndEdits::passwordMenuHasNoClipboardEntries()
{
    CPasswordLineEdit edit;
    edit.setText(QStringLiteral("secret"));
    QScopedPointer<QMenu> standard(edit.createStandardContextMenu());
    QScopedPointer<QMenu> menu(edit.CreateContextMenu());
    const QStringList before = ActionNames(standard.data());
    const QStringList after = ActionNames(menu.data());

    QVERIFY(before.contains(QStringLiteral("Paste")));
    for (const char* name : { "Cut", "Copy", "Paste" })
        QVERIFY(!after.contains(QLatin1String(name)));
    for (const char* name : { "Undo", "Redo", "Delete", "Select All" })
        QVERIFY2(after.contains(QLatin1String(name)), name);
    // One separator fewer: the one after Redo.
    QCOMPARE(after.count(QStringLiteral("|")), before.count(QStringLiteral("|")) - 1);
    QCOMPARE(after.size(), before.size() - 4);
    const int redo = after.indexOf(QStringLiteral("Redo"));
    QCOMPARE(after.value(redo + 1), QStringLiteral("Delete"));
}

void TestButtonsAndEdits::passwordContextMenuEventShowsPrunedMenu()
{
    CPasswordLineEdit edit;
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QStringList seen;
    QTimer::singleShot(0, &edit, [&seen] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            seen = ActionNames(menu);
            menu->close();
        }
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), edit.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&edit, &event);
    QVERIFY(!seen.isEmpty());
    QVERIFY(!seen.contains(QStringLiteral("Paste")));
    QVERIFY(seen.contains(QStringLiteral("Select All")));
}

void TestButtonsAndEdits::delayButtonEmitsAfterDelay()
{
    CDelayButton button(QStringLiteral("Hold"));
    button.show();
    QSignalSpy delayed(&button, &CDelayButton::SignalDelayRelease);
    QSignalSpy clicked(&button, &QAbstractButton::clicked);
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(delayed.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(delayed.count(), 1, 5000);
    QVERIFY(clock.elapsed() >= CDelayButton::kDelayMs - 50);
    QTest::qWait(300);
    QCOMPARE(delayed.count(), 1);
}

void TestButtonsAndEdits::delayButtonWaitsWhileChecked()
{
    CDelayButton button(QStringLiteral("Hold"));
    button.setCheckable(true);
    button.show();
    QSignalSpy delayed(&button, &CDelayButton::SignalDelayRelease);
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(button.isChecked());
    // The first 2000 ms pass while checked, so the signal waits for a further step.
    QTest::qWait(CDelayButton::kDelayMs + 500);
    QCOMPARE(delayed.count(), 0);
    button.setChecked(false);
    QTRY_COMPARE_WITH_TIMEOUT(delayed.count(), 1, CDelayButton::kDelayMs + 1000);
}

void TestButtonsAndEdits::delayButtonRestartsOnNewRelease()
{
    CDelayButton button(QStringLiteral("Hold"));
    button.show();
    QSignalSpy delayed(&button, &CDelayButton::SignalDelayRelease);
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::qWait(CDelayButton::kDelayMs / 2);
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::qWait(CDelayButton::kDelayMs / 2 + 300);
    QCOMPARE(delayed.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(delayed.count(), 1, CDelayButton::kDelayMs);
}

void TestButtonsAndEdits::labelReportsDoubleClick()
{
    CLabel label;
    label.setText(QStringLiteral("abc"));
    label.show();
    QSignalSpy doubleClicked(&label, &CLabel::SignalDoubleClicked);
    QTest::mouseDClick(&label, Qt::LeftButton);
    QCOMPARE(doubleClicked.count(), 1);
}

void TestButtonsAndEdits::labelShowsOwnTextAsTip()
{
    CLabel label;
    label.setText(QStringLiteral("abc"));
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), label.mapToGlobal(QPoint(2, 2)));
    QVERIFY(QApplication::sendEvent(&label, &help));
    QVERIFY(!help.isAccepted());
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("abc"));
    QToolTip::hideText();
}

void TestButtonsAndEdits::labelKeepsExplicitTip()
{
    CLabel label;
    label.setText(QStringLiteral("abc"));
    label.setToolTip(QStringLiteral("own tip"));
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), label.mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(&label, &help);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("own tip"));
    QToolTip::hideText();
    QTRY_VERIFY(!QToolTip::isVisible());

    CLabel empty;
    empty.show();
    QHelpEvent emptyHelp(QEvent::ToolTip, QPoint(1, 1), empty.mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(&empty, &emptyHelp);
    QVERIFY(!QToolTip::isVisible());
}

QTEST_MAIN(TestButtonsAndEdits)
#include "tst_buttons_and_edits.moc"

// CTableView, CHeaderView and CTableDelegate.

#include "CHeaderView.h"
#include "CRegExpValidator.h"
#include "CTableView.h"
#include "TableRoles.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QIcon>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTextDocument>
#include <QtTest>

namespace {

QStandardItemModel* DeviceModel(int rows, QObject* parent)
{
    auto* model = new QStandardItemModel(rows, 3, parent);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < 3; ++column)
            model->setItem(row, column, new QStandardItem(QStringLiteral("r%1c%2").arg(row).arg(column)));
    }
    return model;
}

// Sets the model, shows the view at the given size and waits until it is on screen.
bool ShowWithModel(CTableView& view, QAbstractItemModel* model, const QSize& size)
{
    view.setModel(model);
    view.resize(size);
    view.show();
    return QTest::qWaitForWindowExposed(&view);
}

QStandardItemModel* CheckableModel(int rows, QObject* parent)
{
    QStandardItemModel* model = DeviceModel(rows, parent);
    for (int row = 0; row < rows; ++row) {
        model->item(row, 0)->setCheckable(true);
        model->item(row, 0)->setCheckState(Qt::Unchecked);
    }
    model->setHeaderData(0, Qt::Horizontal, Qt::Unchecked, Qt::CheckStateRole);
    return model;
}

// The text a tool tip shows for a tip value: Qt reads one that looks like
// HTML as rich text.
QString ShownTipText(const QString& tip)
{
    if (!Qt::mightBeRichText(tip))
        return tip;
    QTextDocument document;
    document.setHtml(tip);
    return document.toPlainText();
}

int HeaderState(const QAbstractItemModel* model)
{
    return model->headerData(0, Qt::Horizontal, Qt::CheckStateRole).toInt();
}

void ClickHeaderBox(CTableView& view)
{
    auto* header = static_cast<CHeaderView*>(view.header());
    QTRY_VERIFY(!header->CheckBoxRect().isEmpty());
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, header->CheckBoxRect().center());
}

} // namespace

class TestTableView : public QObject
{
    Q_OBJECT
private slots:
    void setsUpHeaderAndDelegate();
    void releaseBelowLastRowReportsInvalidIndex();
    void releaseOnRowComesAfterStandardHandling();
    void modelsSetTwice();
    void cellTextAndToolTip();
    void cellToolTipShowsTextAsItIs_data();
    void cellToolTipShowsTextAsItIs();
    void missingCells();
    void rowLineDrawn();
    void buttonCells();
    void currentChangesForwardedForEveryModel();
    void headerBoxCycles();
    void headerRecomputesFromRows();
    void headerWithoutCheckStateShowsNoBox();
    void delegateLineEditValidator();
    void delegateComboBox();
    void delegateDateEditors();
};

void TestTableView::setsUpHeaderAndDelegate()
{
    CTableView view;
    QVERIFY(qobject_cast<CHeaderView*>(view.header()));
    QVERIFY(view.itemDelegate()->inherits("CTableDelegate"));
    QVERIFY(view.model());
    QCOMPARE(view.model()->rowCount(), 0);
    QCOMPARE(view.indentation(), 0);
    QVERIFY(!view.rootIsDecorated());
    QVERIFY(view.allColumnsShowFocus());
    QVERIFY(view.header()->sectionsClickable());
    QVERIFY(!view.header()->sectionsMovable());
    QVERIFY(view.header()->stretchLastSection());
}

void TestTableView::releaseBelowLastRowReportsInvalidIndex()
{
    CTableView view;
    QVERIFY(ShowWithModel(view, DeviceModel(2, &view), QSize(400, 300)));
    QSignalSpy released(&view, &CTableView::SignalClickRelease);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(20, view.viewport()->height() - 5));
    QCOMPARE(released.count(), 1);
    QVERIFY(!released.first().first().value<QModelIndex>().isValid());
}

void TestTableView::releaseOnRowComesAfterStandardHandling()
{
    CTableView view;
    QStandardItemModel* model = DeviceModel(3, &view);
    QVERIFY(ShowWithModel(view, model, QSize(400, 300)));
    QModelIndex currentAtSignal;
    connect(&view, &CTableView::SignalClickRelease, &view, [&] { currentAtSignal = view.currentIndex(); });
    const QRect cell = view.visualRect(model->index(1, 1));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(currentAtSignal, model->index(1, 1));
}

void TestTableView::modelsSetTwice()
{
    CTableView view;
    QPointer<QAbstractItemModel> defaultModel = view.model();
    QPointer<QStandardItemModel> first = DeviceModel(1, nullptr);
    view.setModel(first);
    QVERIFY(defaultModel.isNull());
    QPointer<QStandardItemModel> second = DeviceModel(2, nullptr);
    view.setModel(second);
    QVERIFY(!first.isNull());
    QCOMPARE(view.model(), second.data());
    view.setModel(first);
    QVERIFY(!second.isNull());
    delete second;
    delete first;
}

void TestTableView::cellTextAndToolTip()
{
    CTableView view;
    QStandardItemModel* model = DeviceModel(2, &view);
    view.setModel(model);
    view.SetCellText(1, 2, QStringLiteral("192.168.1.64"));
    QCOMPARE(view.GetCellText(1, 2), QStringLiteral("192.168.1.64"));
    QCOMPARE(model->index(1, 2).data(Qt::ToolTipRole).toString(), QStringLiteral("192.168.1.64"));
    QCOMPARE(model->index(1, 2).data(Qt::DisplayRole).toString(), QStringLiteral("192.168.1.64"));
}

void TestTableView::cellToolTipShowsTextAsItIs_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("image") << QStringLiteral("<img src=/dev/zero>");
    QTest::newRow("bold") << QStringLiteral("<b>bold</b>");
    QTest::newRow("entity") << QStringLiteral("SN&lt;1&gt;");
    QTest::newRow("spaces kept") << QStringLiteral("<i>a  b</i>  ");
    QTest::newRow("plain") << QStringLiteral("SN-0001 a < b");
}

void TestTableView::cellToolTipShowsTextAsItIs()
{
    QFETCH(QString, text);
    CTableView view;
    QStandardItemModel* model = DeviceModel(1, &view);
    view.setModel(model);
    view.SetCellText(0, 1, text);
    QCOMPARE(view.GetCellText(0, 1), text);
    QCOMPARE(ShownTipText(model->index(0, 1).data(Qt::ToolTipRole).toString()), text);
}

void TestTableView::missingCells()
{
    CTableView view;
    QStandardItemModel* model = DeviceModel(2, &view);
    view.setModel(model);
    view.SetCellText(5, 0, QStringLiteral("nowhere"));
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(view.GetCellText(5, 0), QString());
    // A missing column is inserted first.
    view.SetCellText(0, 3, QStringLiteral("new column"));
    QCOMPARE(model->columnCount(), 4);
    QCOMPARE(view.GetCellText(0, 3), QStringLiteral("new column"));
}

void TestTableView::rowLineDrawn()
{
    CTableView view;
    QStandardItemModel* model = DeviceModel(2, &view);
    QVERIFY(ShowWithModel(view, model, QSize(400, 200)));
    const QRect row = view.visualRect(model->index(0, 1));
    const QImage image = view.viewport()->grab().toImage();
    QCOMPARE(QColor(image.pixel(row.center().x(), row.bottom())), QColor(229, 229, 229));
    QVERIFY(QColor(image.pixel(row.center().x(), row.bottom() - 1)) != QColor(229, 229, 229));
}

void TestTableView::buttonCells()
{
    CTableView view;
    QStandardItemModel* model = DeviceModel(2, &view);
    model->setData(model->index(0, 1), true, TableRole::ButtonCell);
    model->setData(model->index(1, 1), TableRole::ButtonCellFlag, TableRole::CellFlags);
    QVERIFY(ShowWithModel(view, model, QSize(400, 200)));
    QVERIFY(view.IsButtonCell(model->index(0, 1)));
    QVERIFY(view.IsButtonCell(model->index(1, 1)));
    QVERIFY(!view.IsButtonCell(model->index(0, 0)));

    QSignalSpy pressed(&view, &CTableView::PressedBtn);
    QSignalSpy clicked(&view, &CTableView::ClickedBtn);
    const QPoint button = view.visualRect(model->index(0, 1)).center();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, button);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.first().first().value<QModelIndex>(), model->index(0, 1));

    // Released elsewhere: pressed only.
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, button);
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, view.visualRect(model->index(1, 2)).center());
    QCOMPARE(pressed.count(), 2);
    QCOMPARE(clicked.count(), 1);
}

void TestTableView::currentChangesForwardedForEveryModel()
{
    CTableView view;
    QSignalSpy current(&view, &CTableView::currentItemChanged);
    QStandardItemModel* first = DeviceModel(2, &view);
    view.setModel(first);
    view.setCurrentIndex(first->index(1, 0));
    QCOMPARE(current.count(), 1);
    QStandardItemModel* second = DeviceModel(2, &view);
    view.setModel(second);
    view.setCurrentIndex(second->index(0, 1));
    QCOMPARE(current.count(), 2);
    QCOMPARE(current.last().first().value<QModelIndex>(), second->index(0, 1));
}

void TestTableView::headerBoxCycles()
{
    CTableView view;
    QStandardItemModel* model = CheckableModel(3, &view);
    QVERIFY(ShowWithModel(view, model, QSize(400, 200)));
    QSignalSpy stateChanges(&view, &CTableView::SignalHeaderCheckStateChanged);
    QSignalSpy sectionClicks(view.header(), &QHeaderView::sectionClicked);

    ClickHeaderBox(view);
    QCOMPARE(HeaderState(model), int(Qt::Checked));
    for (int row = 0; row < 3; ++row)
        QCOMPARE(model->item(row, 0)->checkState(), Qt::Checked);
    QCOMPARE(stateChanges.count(), 1);
    QCOMPARE(stateChanges.last().first().toInt(), int(Qt::Checked));
    QCOMPARE(sectionClicks.count(), 1);

    ClickHeaderBox(view);
    QCOMPARE(HeaderState(model), int(Qt::Unchecked));
    for (int row = 0; row < 3; ++row)
        QCOMPARE(model->item(row, 0)->checkState(), Qt::Unchecked);

    // Partially checked becomes checked.
    model->item(0, 0)->setCheckState(Qt::Checked);
    QCOMPARE(HeaderState(model), int(Qt::PartiallyChecked));
    ClickHeaderBox(view);
    QCOMPARE(HeaderState(model), int(Qt::Checked));
    QCOMPARE(model->item(2, 0)->checkState(), Qt::Checked);
}

void TestTableView::headerRecomputesFromRows()
{
    CTableView view;
    QStandardItemModel* model = CheckableModel(3, &view);
    view.setModel(model);
    model->item(0, 0)->setCheckState(Qt::Checked);
    QCOMPARE(HeaderState(model), int(Qt::PartiallyChecked));
    model->item(1, 0)->setCheckState(Qt::Checked);
    model->item(2, 0)->setCheckState(Qt::Checked);
    QCOMPARE(HeaderState(model), int(Qt::Checked));
    // A partially checked row counts as not checked.
    model->item(2, 0)->setCheckState(Qt::PartiallyChecked);
    QCOMPARE(HeaderState(model), int(Qt::PartiallyChecked));
    for (int row = 0; row < 3; ++row)
        model->item(row, 0)->setCheckState(row == 1 ? Qt::PartiallyChecked : Qt::Unchecked);
    QCOMPARE(HeaderState(model), int(Qt::Unchecked));
}

void TestTableView::headerWithoutCheckStateShowsNoBox()
{
    CTableView view;
    QStandardItemModel* model = DeviceModel(2, &view);
    QVERIFY(ShowWithModel(view, model, QSize(400, 200)));
    model->item(0, 0)->setCheckable(true);
    model->item(0, 0)->setCheckState(Qt::Checked);
    QVERIFY(!model->headerData(0, Qt::Horizontal, Qt::CheckStateRole).isValid());
    QTest::qWait(20);
    QVERIFY(static_cast<CHeaderView*>(view.header())->CheckBoxRect().isEmpty());
    QSignalSpy sectionClicks(view.header(), &QHeaderView::sectionClicked);
    QTest::mouseClick(view.header()->viewport(), Qt::LeftButton, {}, QPoint(10, view.header()->height() / 2));
    QCOMPARE(sectionClicks.count(), 1);
    QVERIFY(!model->headerData(0, Qt::Horizontal, Qt::CheckStateRole).isValid());
}

void TestTableView::delegateLineEditValidator()
{
    CTableView view;
    QStandardItemModel* model = DeviceModel(1, &view);
    view.setModel(model);
    QAbstractItemDelegate* delegate = view.itemDelegate();
    QStyleOptionViewItem option;

    QScopedPointer<QWidget> plain(delegate->createEditor(view.viewport(), option, model->index(0, 0)));
    auto* plainEdit = qobject_cast<QLineEdit*>(plain.data());
    QVERIFY(plainEdit);
    QCOMPARE(plainEdit->text(), QStringLiteral("r0c0"));
    QVERIFY(!plainEdit->validator());

    model->setData(model->index(0, 1), 5, TableRole::MaxBytes);
    QScopedPointer<QWidget> limited(delegate->createEditor(view.viewport(), option, model->index(0, 1)));
    const auto* limitValidator = qobject_cast<const CRegExpValidator*>(qobject_cast<QLineEdit*>(limited.data())->validator());
    QVERIFY(limitValidator);
    QCOMPARE(limitValidator->MaxBytes(), 5);

    model->setData(model->index(0, 2), QStringLiteral("[0-9]*"), TableRole::RegExp);
    QScopedPointer<QWidget> patterned(delegate->createEditor(view.viewport(), option, model->index(0, 2)));
    const auto* patternValidator = qobject_cast<const CRegExpValidator*>(qobject_cast<QLineEdit*>(patterned.data())->validator());
    QVERIFY(patternValidator);
    QCOMPARE(patternValidator->regularExpression().pattern(), QStringLiteral("[0-9]*"));
    QCOMPARE(patternValidator->MaxBytes(), -1);

    // Committing a line edit emits SignalEditingFinished on the view.
    QSignalSpy finished(&view, &CTableView::SignalEditingFinished);
    plainEdit->setText(QStringLiteral("edited"));
    delegate->setModelData(plainEdit, model, model->index(0, 0));
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("edited"));
    QCOMPARE(finished.count(), 1);
}

void TestTableView::delegateComboBox()
{
    CTableView view;
    QStandardItemModel* model = DeviceModel(1, &view);
    view.setModel(model);
    const QModelIndex cell = model->index(0, 1);
    model->setData(cell, QVariantList { MakeComboChoice(QStringLiteral("Auto"), QIcon()),
                                        MakeComboChoice(QStringLiteral("Manual"), QIcon()) },
                   TableRole::ComboChoices);
    model->setData(cell, QStringLiteral("Manual"));
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 120, 22);
    QScopedPointer<QWidget> editor(view.itemDelegate()->createEditor(view.viewport(), option, cell));
    auto* combo = qobject_cast<QComboBox*>(editor.data());
    QVERIFY(combo);
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->currentText(), QStringLiteral("Manual"));
    QCOMPARE(combo->size(), QSize(120, 22));

    // A cell text that is no choice becomes one, also in the cell's list.
    model->setData(cell, QStringLiteral("manual"));
    QScopedPointer<QWidget> second(view.itemDelegate()->createEditor(view.viewport(), option, cell));
    auto* secondCombo = qobject_cast<QComboBox*>(second.data());
    QCOMPARE(secondCombo->count(), 3);
    QCOMPARE(secondCombo->currentText(), QStringLiteral("manual"));
    QCOMPARE(cell.data(TableRole::ComboChoices).toList().size(), 3);

    QSignalSpy changed(&view, &CTableView::SignalComboBoxTextChanged);
    secondCombo->setCurrentIndex(0);
    view.itemDelegate()->setModelData(secondCombo, model, cell);
    QCOMPARE(cell.data().toString(), QStringLiteral("Auto"));
    QCOMPARE(changed.count(), 1);
}

void TestTableView::delegateDateEditors()
{
    CTableView view;
    QStandardItemModel* model = DeviceModel(1, &view);
    view.setModel(model);
    QStyleOptionViewItem option;
    const QModelIndex dateCell = model->index(0, 0);
    const QModelIndex dateTimeCell = model->index(0, 1);
    model->setData(dateCell, QDate(2024, 2, 29), TableRole::Date);
    model->setData(dateTimeCell, QDateTime(QDate(2023, 12, 31), QTime(23, 59)), TableRole::DateTime);

    QScopedPointer<QWidget> dateEditor(view.itemDelegate()->createEditor(view.viewport(), option, dateCell));
    auto* dateEdit = qobject_cast<QDateEdit*>(dateEditor.data());
    QVERIFY(dateEdit);
    view.itemDelegate()->setEditorData(dateEdit, dateCell);
    QCOMPARE(dateEdit->date(), QDate(2024, 2, 29));
    dateEdit->setDate(QDate(2025, 1, 2));
    view.itemDelegate()->setModelData(dateEdit, model, dateCell);
    QCOMPARE(dateCell.data(TableRole::Date).toDate(), QDate(2025, 1, 2));
    QCOMPARE(dateCell.data().toString(), QStringLiteral("2025-01-02"));

    QScopedPointer<QWidget> dateTimeEditor(view.itemDelegate()->createEditor(view.viewport(), option, dateTimeCell));
    auto* dateTimeEdit = qobject_cast<QDateTimeEdit*>(dateTimeEditor.data());
    QVERIFY(dateTimeEdit && !qobject_cast<QDateEdit*>(dateTimeEdit));
    view.itemDelegate()->setEditorData(dateTimeEdit, dateTimeCell);
    QCOMPARE(dateTimeEdit->dateTime(), QDateTime(QDate(2023, 12, 31), QTime(23, 59)));
    view.itemDelegate()->setModelData(dateTimeEdit, model, dateTimeCell);
    QCOMPARE(dateTimeCell.data().toString(), QStringLiteral("2023-12-31"));
}

QTEST_MAIN(TestTableView)
#include "tst_tableview.moc"

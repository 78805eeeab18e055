#include "CTableDelegate.h"

#include "CRegExpValidator.h"
#include "CTableView.h"
#include "TableRoles.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeEdit>
#include <QIcon>
#include <QLineEdit>
#include <QRegularExpression>

namespace {

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

QRegularExpression CellExpression(const QModelIndex& index)
{
    const QVariant value = index.data(TableRole::RegExp);
    if (value.userType() == QMetaType::QRegularExpression)
        return value.toRegularExpression();
    const QString pattern = value.toString();
    return pattern.isEmpty() ? QRegularExpression() : QRegularExpression(pattern);
}

QValidator* CreateCellValidator(const QModelIndex& index, QObject* parent)
{
    const QRegularExpression expression = CellExpression(index);
    const QVariant maxBytes = index.data(TableRole::MaxBytes);
    // Without a byte limit the validator gets -1, which it reads as no limit.
    const int limit = maxBytes.isValid() ? maxBytes.toInt() : -1;
    if (!expression.pattern().isEmpty())
        return new CRegExpValidator(limit, expression, parent);
    if (maxBytes.isValid())
        return new CRegExpValidator(limit, parent);
    return nullptr;
}

} // namespace

CTableDelegate::CTableDelegate(CTableView* view)
    : QStyledItemDelegate(view)
    , m_pView(view)
{
    connect(this, &CTableDelegate::SignalEditingFinished, view, &CTableView::SignalEditingFinished);
    connect(this, &CTableDelegate::SignalComboBoxTextChanged, view, &CTableView::SignalComboBoxTextChanged);
}

QWidget* CTableDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.data(TableRole::ComboChoices).isValid())
        return CreateComboBox(parent, option, index);
    if (index.data(TableRole::DateTime).isValid())
        return new QDateTimeEdit(parent);
    if (index.data(TableRole::Date).isValid())
        return new QDateEdit(parent);
    return CreateLineEdit(parent, index);
}

QWidget* CTableDelegate::CreateComboBox(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    auto* combo = new QComboBox(parent);
    QVariantList choices = index.data(TableRole::ComboChoices).toList();
    for (const QVariant& choice : std::as_const(choices)) {
        const QVariantMap entry = choice.toMap();
        combo->addItem(entry.value(QStringLiteral("icon")).value<QIcon>(),
                       entry.value(QStringLiteral("text")).toString(),
                       entry.value(QStringLiteral("data")));
    }
    const QString cellText = index.data(Qt::DisplayRole).toString();
    int current = combo->findText(cellText, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (current < 0) {
        // The cell's own text becomes a choice, in the editor and in the cell.
        combo->addItem(cellText);
        current = combo->count() - 1;
        choices.append(MakeComboChoice(cellText, QIcon()));
        const_cast<QAbstractItemModel*>(index.model())->setData(index, choices, TableRole::ComboChoices);
    }
    combo->setCurrentIndex(current);
    combo->resize(option.rect.size());
    return combo;
}

QWidget* CTableDelegate::CreateLineEdit(QWidget* parent, const QModelIndex& index) const
{
    auto* edit = new QLineEdit(parent);
    edit->setText(index.data(Qt::DisplayRole).toString());
    if (QValidator* validator = CreateCellValidator(index, edit))
        edit->setValidator(validator);
    return edit;
}

void CTableDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->setCurrentIndex(combo->findText(index.data(Qt::DisplayRole).toString(),
                                               Qt::MatchExactly | Qt::MatchCaseSensitive));
    } else if (auto* dateEdit = qobject_cast<QDateEdit*>(editor)) {
        dateEdit->setDate(index.data(TableRole::Date).toDate());
    } else if (auto* dateTimeEdit = qobject_cast<QDateTimeEdit*>(editor)) {
        dateTimeEdit->setDateTime(index.data(TableRole::DateTime).toDateTime());
    } else {
        QStyledItemDelegate::setEditorData(editor, index);
    }
}

void CTableDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        model->setData(index, combo->currentText(), Qt::EditRole);
        model->setData(index, combo->itemIcon(combo->currentIndex()), Qt::DecorationRole);
        emit const_cast<CTableDelegate*>(this)->SignalComboBoxTextChanged(index);
    } else if (auto* dateEdit = qobject_cast<QDateEdit*>(editor)) {
        model->setData(index, dateEdit->date(), TableRole::Date);
        model->setData(index, dateEdit->date().toString(kDateFormat), Qt::EditRole);
    } else if (auto* dateTimeEdit = qobject_cast<QDateTimeEdit*>(editor)) {
        model->setData(index, dateTimeEdit->dateTime(), TableRole::DateTime);
        model->setData(index, dateTimeEdit->date().toString(kDateFormat), Qt::EditRole);
    } else {
        QStyledItemDelegate::setModelData(editor, model, index);
        emit const_cast<CTableDelegate*>(this)->SignalEditingFinished(index);
    }
}

void CTableDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (qobject_cast<QComboBox*>(editor)) {
        editor->setGeometry(option.rect);
    } else if (qobject_cast<QLineEdit*>(editor) && (index.flags() & Qt::ItemIsUserCheckable)) {
        // Leaves the check indicator of the cell clickable.
        editor->setGeometry(option.rect.adjusted(option.decorationSize.width() + 4, 0, 0, 0));
    } else {
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
    }
}

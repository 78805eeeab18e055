#include "CPasswordLineEdit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>

namespace {

// An entry of the standard line-edit menu: its object name (set by newer Qt
// versions) and its label (translated in the "QLineEdit" context).
struct MenuEntry
{
    const char* objectName;
    const char* label;
};

constexpr MenuEntry kRedo { "edit-redo", "&Redo" };
constexpr MenuEntry kClipboardEntries[] = { { "edit-cut", "Cu&t" }, { "edit-copy", "&Copy" }, { "edit-paste", "&Paste" } };

bool IsEntry(const QAction* action, const MenuEntry& entry)
{
    if (action->isSeparator())
        return false;
    if (action->objectName() == QLatin1String(entry.objectName))
        return true;
    // The label may carry the shortcut after a tab.
    const QString label = action->text().section(u'\t', 0, 0);
    return label == QCoreApplication::translate("QLineEdit", entry.label);
}

bool IsClipboardAction(const QAction* action)
{
    for (const MenuEntry& entry : kClipboardEntries) {
        if (IsEntry(action, entry))
            return true;
    }
    return false;
}

// The separator that directly follows Redo, if any.
QAction* SeparatorAfterRedo(const QList<QAction*>& actions)
{
    for (int i = 0; i + 1 < actions.size(); ++i) {
        if (IsEntry(actions.at(i), kRedo) && actions.at(i + 1)->isSeparator())
            return actions.at(i + 1);
    }
    return nullptr;
}

} // namespace

CPasswordLineEdit::CPasswordLineEdit(QWidget* parent)
    : QLineEdit(parent)
{
    setEchoMode(QLineEdit::Password);
}

void CPasswordLineEdit::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Copy) || e->matches(QKeySequence::Cut))
        return;
    QLineEdit::keyPressEvent(e);
}

QMenu* CPasswordLineEdit::CreateContextMenu()
{
    // Entries are picked by their names, not their places, so that a
    // different menu layout cannot make us remove the wrong ones.
    QMenu* menu = createStandardContextMenu();
    const QList<QAction*> actions = menu->actions();
    if (QAction* separator = SeparatorAfterRedo(actions))
        menu->removeAction(separator);
    for (QAction* action : actions) {
        if (IsClipboardAction(action))
            menu->removeAction(action);
    }
    return menu;
}

void CPasswordLineEdit::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu* menu = CreateContextMenu();
    menu->exec(e->globalPos());
    delete menu;
}

#include "CPasswordLineEdit.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>

namespace {

bool IsClipboardAction(const QAction* action)
{
    const QString name = action->objectName();
    return name == QLatin1String("edit-cut") || name == QLatin1String("edit-copy")
        || name == QLatin1String("edit-paste");
}

// The separator that directly follows Redo, if any.
QAction* SeparatorAfterRedo(const QList<QAction*>& actions)
{
    for (int i = 0; i + 1 < actions.size(); ++i) {
        if (actions.at(i)->objectName() == QLatin1String("edit-redo") && actions.at(i + 1)->isSeparator())
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

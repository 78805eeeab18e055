#include "CMutiroleDialog.h"

#include "CBaseDialog.h"

#include <QKeyEvent>

// The hosting dialog. It may be deleted by the widget it was re-parented to;
// it then lets its frame know first, so that the frame, deleted with the
// dialog's content, does not delete the dialog a second time.
class CMutiroleDialog::CHost : public CBaseDialog
{
public:
    explicit CHost(CMutiroleDialog* frame)
        : CBaseDialog(nullptr, true, true, true)
        , m_pFrame(frame)
    {
    }

    ~CHost() override
    {
        if (m_pFrame)
            m_pFrame->m_pDialog = nullptr;
    }

private:
    QPointer<CMutiroleDialog> m_pFrame;
};

CMutiroleDialog::CMutiroleDialog(QWidget* parent)
    : QFrame(parent)
    , m_pParent(parent)
{
}

CMutiroleDialog::~CMutiroleDialog()
{
    if (m_pDialog) {
        // Leave the dialog first so that deleting it does not delete us.
        setParent(nullptr);
        delete m_pDialog;
    }
}

void CMutiroleDialog::PrepareDialog(QWidget* parent, const QString& title, const QSize& size)
{
    if (!m_pDialog)
        m_pDialog = new CHost(this);
    connect(m_pDialog, &CBaseDialog::ClickedCloseBtnSig, this, &CMutiroleDialog::DialogCloseSlot,
            Qt::UniqueConnection);
    m_pDialog->SetCloseBtnClose(false);
    m_pDialog->resize(size);
    m_pDialog->setParent(parent, Qt::Dialog | Qt::FramelessWindowHint);
    if (parentWidget() != m_pDialog->GetContentFrame())
        m_pDialog->SetContentWidget(this);
    setStyleSheet(QStringLiteral("QFrame#CMutiroleDialog{background-color: transparent;}"));
    m_pDialog->SetTitle(title);
}

void CMutiroleDialog::ShowModal(QWidget* parent, const QString& title)
{
    if (!parent)
        return;
    ExecModal(parent, title);
}

void CMutiroleDialog::ShowModeless(QWidget* parent, const QString& title, int w, int h)
{
    if (!parent)
        return;
    PrepareDialog(parent, title, QSize(w, h));
    m_pDialog->ShowCloseBtn(true);
    m_pDialog->ShowBottomFrame(false);
    m_pDialog->show();
}

int CMutiroleDialog::ExecModal(QWidget* parent, QString title)
{
    PrepareDialog(parent, title, size());
    return m_pDialog->exec();
}

void CMutiroleDialog::MoveDialog(int x, int y)
{
    if (m_pDialog)
        m_pDialog->move(x, y);
    else
        move(x, y);
}

int CMutiroleDialog::DialogWidth() const
{
    return m_pDialog ? m_pDialog->width() : width();
}

int CMutiroleDialog::DialogHeight() const
{
    return m_pDialog ? m_pDialog->height() : height();
}

bool CMutiroleDialog::DialogCloseSlot()
{
    return m_pDialog->close();
}

void CMutiroleDialog::keyPressEvent(QKeyEvent* e)
{
    if (!m_pDialog)
        return;
    const int key = e->key();
    if (key == Qt::Key_Escape)
        return;
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select)
        m_pDialog->accept();
    QWidget::keyPressEvent(e);
}

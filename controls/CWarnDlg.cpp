#include "CWarnDlg.h"

#include <QAbstractTextDocumentLayout>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QPointer>
#include <QTextBrowser>
#include <QTextDocument>

namespace {

constexpr int kTextPadding = 15;
constexpr int kBrowserSpacing = 10;
constexpr int kTallTextTop = 15;
constexpr int kGrowthMargin = 30;

const char* const kEmptyDocument =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" \"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
    "<html><head><meta name=\"qrichtext\" content=\"1\" /></head>"
    "<body style=\" font-family:'Arial'; font-size:9pt; font-weight:400; font-style:normal;\">\n"
    "<p align=\"center\" style=\"-qt-paragraph-type:empty; margin-top:0px; margin-bottom:0px;\"><br /></p></body></html>";

} // namespace

CWarnDlg::CWarnDlg(QWidget* parent)
    : CBaseDialog(parent, true, true, true)
{
    QFrame* content = GetContentFrame();
    if (content->objectName().isEmpty())
        content->setObjectName(QStringLiteral("CWarnDlgClass"));
    content->resize(298, 151);
    content->setWindowTitle(QCoreApplication::translate("CWarnDlgClass", "CWarmDlg"));

    m_pBrowserTxt = new QTextBrowser(content);
    m_pBrowserTxt->setObjectName(QStringLiteral("m_pBrowserTxt"));
    m_pBrowserTxt->setGeometry(50, 30, 141, 61);
    m_pBrowserTxt->setTextInteractionFlags(Qt::NoTextInteraction);
    m_pBrowserTxt->setOpenLinks(false);

    setStyleSheet(QStringLiteral("QFrame#CWarnDlg{background-color: transparent;}"));
    m_pBrowserTxt->setStyleSheet(QStringLiteral("background-color: transparent;"));
    m_pBrowserTxt->setHtml(QString::fromLatin1(kEmptyDocument));

    connect(m_pBrowserTxt->document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged,
            this, &CWarnDlg::TextNeededSize);
}

void CWarnDlg::PrepareBox(const QString& title, const QString& text, bool bConfirm)
{
    AdjustWidth(text);
    ShowCloseBtn(true);
    ShowBottomFrame(bConfirm);
    SetTitleAndText(title, text);
}

int CWarnDlg::ExecInformation(const QString& title, const QString& text)
{
    PrepareBox(title, text, false);
    return exec();
}

int CWarnDlg::ExecConfirm(const QString& title, const QString& text)
{
    PrepareBox(title, text, true);
    return exec();
}

// The box belongs to its parent: should the parent be deleted while the box
// is open, the box goes with it and exec() returns 0. It is therefore made
// on the heap and deleted here only if it is still there.
int CWarnDlg::ShowInformation(const QString& title, const QString& text, QWidget* parent)
{
    if (!parent)
        return -1;
    QPointer<CWarnDlg> box = new CWarnDlg(parent);
    const int result = box->ExecInformation(title, text);
    delete box.data();
    return result;
}

int CWarnDlg::ShowConfirm(const QString& title, const QString& text, QWidget* parent)
{
    if (!parent)
        return -1;
    QPointer<CWarnDlg> box = new CWarnDlg(parent);
    const int result = box->ExecConfirm(title, text);
    delete box.data();
    return result;
}

void CWarnDlg::SetTitleAndText(const QString& title, const QString& text)
{
    SetTitle(title);
    // Messages may carry device texts and file names: never read as HTML.
    m_pBrowserTxt->setPlainText(text);
}

void CWarnDlg::AdjustWidth(const QString& text)
{
    const int textWidth = m_pBrowserTxt->fontMetrics().horizontalAdvance(text) + kTextPadding;
    const int needed = textWidth + kBrowserSpacing;
    if (needed <= m_nMinWidth - m_nMargin) {
        resize(m_nMinWidth, m_nHeight);
        m_pBrowserTxt->setFixedWidth(textWidth);
    } else if (needed < m_nMaxWidth - m_nMargin) {
        resize(needed + m_nMargin, m_nHeight);
        m_pBrowserTxt->setFixedWidth(textWidth);
    } else {
        resize(m_nMaxWidth, m_nHeight);
        m_pBrowserTxt->setFixedWidth(m_nMaxWidth - m_nMargin - kBrowserSpacing);
    }
}

void CWarnDlg::AdjustBrowserWidth()
{
    m_pBrowserTxt->setFixedWidth(width() - 10);
}

void CWarnDlg::TextNeededSize(const QSizeF&)
{
    QFrame* content = GetContentFrame();
    QTextDocument* document = m_pBrowserTxt->document();
    if (!m_pBrowserTxt->parentWidget() || !document || !content)
        return;

    const int textHeight = int(document->size().height() + 10.0);
    m_pBrowserTxt->setFixedHeight(textHeight);
    const int frameHeight = content->height();
    int top = 0;
    if (textHeight > frameHeight) {
        resize(width(), height() + (textHeight - frameHeight) + kGrowthMargin);
        top = kTallTextTop;
    } else {
        top = frameHeight / 2 - m_pBrowserTxt->height() / 2;
    }
    m_pBrowserTxt->move(content->width() / 2 - m_pBrowserTxt->width() / 2, top);
}

void CWarnDlg::closeEvent(QCloseEvent* e)
{
    // Hiding ends a running exec() with the result so far.
    hide();
    e->ignore();
}

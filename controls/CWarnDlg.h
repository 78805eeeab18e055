#pragma once

#include "CBaseDialog.h"

class QSizeF;
class QTextBrowser;

// The application's message box: a title, a text that sizes the box, and
// either a close button (information) or OK and Cancel (confirmation).
class CONTROLS_EXPORT CWarnDlg : public CBaseDialog
{
    Q_OBJECT
public:
    explicit CWarnDlg(QWidget* parent = nullptr);

    // Run the box modally; 1 after OK, Return or Enter, 0 after Cancel or close.
    int ExecInformation(const QString& title, const QString& text);
    int ExecConfirm(const QString& title, const QString& text);

    // As above on a box owned by parent; -1 without showing anything when
    // there is no parent.
    static int ShowInformation(const QString& title, const QString& text, QWidget* parent);
    static int ShowConfirm(const QString& title, const QString& text, QWidget* parent);

    void SetTitleAndText(const QString& title, const QString& text);
    // Picks the box width (300 to 400 pixels) from the text's one-line width.
    void AdjustWidth(const QString& text);
    void AdjustBrowserWidth();

public slots:
    // Fits the text area's height to the document and grows the box if needed.
    void TextNeededSize(const QSizeF& size);

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void PrepareBox(const QString& title, const QString& text, bool bConfirm);

    QTextBrowser* m_pBrowserTxt = nullptr;
    int m_nMinWidth = 300;
    int m_nHeight = 225;
    int m_nMaxWidth = 400;
    int m_nMargin = 12;
};

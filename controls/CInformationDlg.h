#pragma once

#include "controls_global.h"

#include <QFrame>

class QGridLayout;
class QLabel;
class QTextEdit;
class QTimer;

// A small dark popup that shows a text in a corner of the screen and hides
// itself a few seconds after the pointer has left it.
class CONTROLS_EXPORT CInformationDlg : public QFrame
{
    Q_OBJECT
public:
    static constexpr int kHideCheckMs = 3000;

    explicit CInformationDlg(QWidget* parent = nullptr, bool bCreateUi = true);

    void SetText(const QString& text);
    QString Text() const { return m_strText; }
    // Places the popup so that its bottom-right corner is at (x, y), also
    // after its next resize.
    void SetAnchor(int x, int y);
    virtual void ShowAtCorner(const QString& text);

    // One popup shared by the whole program.
    static CInformationDlg* Instance();
    static void SetPopupParent(QWidget* p);
    static void ShowPopup(const QString& text);
    static void ShowPopupAt(const QString& text, int x, int y);
    static void ShowPopupFor(const QString& text, QWidget* parent);

public slots:
    void HideWnd();

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    static CInformationDlg* EnsureInstance();
    void MoveBottomRightTo(int x, int y);

    QString m_strText;
    QGridLayout* m_pLayout = nullptr;
    int m_nWidth = 200;
    int m_nHeight = 150;
    int m_nAnchorX = -1;
    int m_nAnchorY = -1;
    QTextEdit* m_pTextEdit = nullptr;
    QLabel* m_pLabel = nullptr;
    QTimer* m_pTimer = nullptr;
};

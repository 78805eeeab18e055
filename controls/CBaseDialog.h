#pragma once

#include "controls_global.h"

#include <QDialog>
#include <QPoint>

class CPushButton;
class QFrame;
class QGridLayout;
class QLabel;

// Frameless, skinned dialog: a title line with an optional close button, a
// content frame and an optional strip with OK and Cancel. It can be dragged
// by its title line and keeps the grip point out of the task bar.
class CONTROLS_EXPORT CBaseDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kDragBandHeight = 32;

    explicit CBaseDialog(QWidget* parent = nullptr, bool bShowBottom = true, bool bShowOk = true,
                         bool bShowCancel = true);

    void SetTitle(const QString& title);
    QString GetTitle() const;
    void ShowCloseBtn(bool bShow);
    void ShowOkBtn(bool bShow);
    void ShowBottomFrame(bool bShow);
    void SetOkBtnText(const QString& text);
    void SetCancelBtnText(const QString& text);
    void SetOkAccept(bool bAccept);
    void SetCloseBtnClose(bool bClose);
    bool SetContentWidget(QWidget* w);
    QFrame* GetContentFrame() const;

public slots:
    void SetOkBtnEnable(bool bEnabled);
    void on_pOkBtn_clicked();
    void on_m_pCloseBtn_clicked();

signals:
    void leftBtn_clicked();
    void ClickedOKBtnSig();
    void ClickedCloseBtnSig();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void BuildTitleLine();
    void BuildContentFrame();
    void BuildBottomFrame();
    void ApplyBackground(bool bWithBottom, bool bSpaced = false);

    QGridLayout* m_pgridBaseDialog = nullptr;
    QLabel* m_pLabelTitle = nullptr;
    CPushButton* m_pCloseBtn = nullptr;
    QFrame* m_pContentFrame = nullptr;
    QFrame* m_pBottomFrame = nullptr;
    CPushButton* m_pOkBtn = nullptr;
    CPushButton* m_pCancelBtn = nullptr;

    bool m_bDragging = false;
    QPoint m_ptPress;
    QGridLayout* m_pContentLayout = nullptr;
    bool m_bOkAccept = true;
    bool m_bCloseBtnClose = true;
};

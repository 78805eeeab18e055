#pragma once

#include "shell_global.h"

#include <QPoint>
#include <QWidget>

class CPushButton;
class QLabel;

// The custom title bar of the frameless main window: icon, title, minimise,
// maximise/restore and close; it drags the window and toggles its size on a
// double-click.
class SHELL_EXPORT CWindowTitle : public QWidget
{
    Q_OBJECT
public:
    // parent is also the window the bar controls.
    explicit CWindowTitle(QWidget* parent);
    ~CWindowTitle() override;

    bool IsMaximized() const { return m_bMaximized; }
    // Whether a screen is large enough for the window to change size on it.
    static bool IsLargeEnough(const QSize& screenSize);

public slots:
    void showSmall();

private slots:
    void ChangSizeToFull();
    void ChaneMaxSizeOrRestore();
    void OnCloseWindow();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void BuildLayouts();
    void PaintBackground();
    void ShowMaxButtonAs(bool maximized);
    bool WindowScreenIsLargeEnough() const;

    CPushButton* m_pBtnMin = nullptr;
    CPushButton* m_pBtnClose = nullptr;
    CPushButton* m_pBtnMax = nullptr;
    CPushButton* m_pBtnIcon = nullptr;
    int m_bPressed = 0;
    QPoint m_ptPressOffset;
    QLabel* m_pTitleLabel = nullptr;
    QWidget* m_pWindow = nullptr;
    bool m_bMaximized = false;
};

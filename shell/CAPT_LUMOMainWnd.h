#pragma once

#include "shell_global.h"

#include <lumo/lumo_api.h>

#include <QMainWindow>

#include <memory>

class CWindowTitle;
class QStackedWidget;
class QtLumo;
namespace Ui { class CAPT_LUMOMainWndClass; }

// The program's main window: frameless and skinned, with its own title bar,
// a tab strip and the device panel. A host can embed it, hide its title bar
// and switch it to the small tab look.
class SHELL_EXPORT CAPT_LUMOMainWnd : public QMainWindow
{
    Q_OBJECT
public:
    CAPT_LUMOMainWnd(QWidget* parent = nullptr, Qt::WindowFlags flags = {}, int hostArg1 = 0, int hostArg2 = 0,
                     int hostArg3 = 0);
    ~CAPT_LUMOMainWnd() override;

    void ShowTitle(bool bShow);
    // true for the large tab look, false for the small one.
    void ChangeSize(bool bLarge);
    // Hands a device report to the panel as if the discovery library sent it.
    void DeviceCallBack(const LUMO_DEVICE_REPORT* report);
    // true when a manual was handed to the system for opening.
    bool OpenManual();
    // The manual to open for the current language; empty when there is none.
    QString ManualPath() const;

private slots:
    void on_m_pBtnLumo_clicked();
    void on_m_pBtnAbout_clicked();
    void OnGetHelp();
    void GetVersion();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void ApplyTabLook();

    bool m_bLargeTabs = true;
    std::unique_ptr<Ui::CAPT_LUMOMainWndClass> m_pUi;
    QtLumo* m_pLumoWidget = nullptr;
    QStackedWidget* m_pStackedWidget = nullptr;
    CWindowTitle* m_pTitle = nullptr;
    int m_nHostArg1 = 0;
    int m_nHostArg2 = 0;
    int m_nHostArg3 = 0;
    bool m_bCloseConfirmed = false;
};

#pragma once

#include <lumo/lumo_api.h>

#include <QLibrary>
#include <QWidget>

class QGridLayout;
class ReportFeeder;

// The host's window: a strip of its own controls above the embedded utility.
class HostWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HostWindow(QWidget* parent = nullptr);
    ~HostWindow() override;

    // Loads the shell library and opens the utility inside this window.
    bool EmbedUtility();

private slots:
    void OnSmallTabsToggled(bool small);
    void OnFeedClicked();

private:
    using OpenDialogFn = bool (*)(QWidget*, QGridLayout*, bool, int, int, int);
    using ChangeSizeFn = void (*)(bool);
    using CallBackFn = void (*)(const LUMO_DEVICE_REPORT*);

    QLibrary m_shellLibrary;
    OpenDialogFn m_pOpenDialog = nullptr;
    ChangeSizeFn m_pChangeSize = nullptr;
    CallBackFn m_pCallBack = nullptr;
    QGridLayout* m_pUtilityLayout = nullptr;
    ReportFeeder* m_pFeeder = nullptr;
};

#pragma once

#include "controls_global.h"

#include <QObject>
#include <QPointer>

class QWidget;

// Process-wide relay through which any thread can ask for a message box; the
// box runs on the thread the relay belongs to, which must be the GUI thread
// (call SetParentWidget there first).
class CONTROLS_EXPORT CWarnInfoDlg : public QObject
{
    Q_OBJECT
public:
    static CWarnInfoDlg* GetInstance();
    static void SetParentWidget(QWidget* p);

    void ShowMsg(QString title, QString content);

signals:
    void ShowMsgInfoSig(QString strTitle, QString strContent);

public slots:
    void ShowMsgInfo(QString strTitle, QString strContent);

private:
    CWarnInfoDlg();

    // Guarded: a parent deleted after SetParentWidget must not be handed to
    // the next message box.
    static QPointer<QWidget> m_pParent;
};

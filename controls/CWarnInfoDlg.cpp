#include "CWarnInfoDlg.h"

#include "CWarnDlg.h"

QPointer<QWidget> CWarnInfoDlg::m_pParent;

CWarnInfoDlg::CWarnInfoDlg()
{
    m_pParent = nullptr;
    // Automatic connection: a request from another thread is queued to ours.
    connect(this, &CWarnInfoDlg::ShowMsgInfoSig, this, &CWarnInfoDlg::ShowMsgInfo);
}

CWarnInfoDlg* CWarnInfoDlg::GetInstance()
{
    static CWarnInfoDlg instance;
    return &instance;
}

void CWarnInfoDlg::SetParentWidget(QWidget* p)
{
    GetInstance();
    m_pParent = p;
}

void CWarnInfoDlg::ShowMsg(QString title, QString content)
{
    emit ShowMsgInfoSig(title, content);
}

void CWarnInfoDlg::ShowMsgInfo(QString strTitle, QString strContent)
{
    // On the heap: a parent deleted while the box is open deletes the box.
    QPointer<CWarnDlg> box = new CWarnDlg(m_pParent);
    box->ExecInformation(strTitle, strContent);
    delete box.data();
}

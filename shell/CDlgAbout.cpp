#include "CDlgAbout.h"

#include "BuildDate.h"
#include "ui_CDlgAbout.h"

#include <QPushButton>

CDlgAbout::CDlgAbout(QWidget* parent)
    : CBaseDialog(parent, false, false, false)
    , m_pUi(std::make_unique<Ui::CDlgAboutClass>())
{
    m_pUi->setupUi(GetContentFrame());
    setFixedSize(520, 200);
    ShowCloseBtn(true);
    SetTitle(tr("About"));
    m_pUi->pLabelAbout->setText(tr(" v2.00.00.01") + QStringLiteral(" Build") + QString::number(BuildDateNumber()));
    connect(m_pUi->m_pOkBtn, &QPushButton::clicked, this, &QDialog::accept);
}

CDlgAbout::~CDlgAbout() = default;

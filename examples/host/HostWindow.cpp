#include "HostWindow.h"

#include "ReportFeeder.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

HostWindow::HostWindow(QWidget* parent)
    : QWidget(parent)
    , m_shellLibrary(QCoreApplication::applicationDirPath() + QStringLiteral("/" SHELL_LIBRARY_NAME))
{
    setWindowTitle(QStringLiteral("Host application"));
    auto* layout = new QVBoxLayout(this);
    auto* strip = new QHBoxLayout();
    strip->addWidget(new QLabel(QStringLiteral("Host controls:"), this));
    auto* smallTabs = new QCheckBox(QStringLiteral("Small tabs"), this);
    connect(smallTabs, &QCheckBox::toggled, this, &HostWindow::OnSmallTabsToggled);
    strip->addWidget(smallTabs);
    auto* feed = new QPushButton(QStringLiteral("Feed 20 devices"), this);
    connect(feed, &QPushButton::clicked, this, &HostWindow::OnFeedClicked);
    strip->addWidget(feed);
    strip->addStretch(1);
    layout->addLayout(strip);
    m_pUtilityLayout = new QGridLayout();
    layout->addLayout(m_pUtilityLayout, 1);
}

HostWindow::~HostWindow()
{
    delete m_pFeeder; // stops the worker before the window it reports to goes
}

bool HostWindow::EmbedUtility()
{
    m_pOpenDialog = reinterpret_cast<OpenDialogFn>(m_shellLibrary.resolve("APT_LUMO_OpenDialog"));
    m_pChangeSize = reinterpret_cast<ChangeSizeFn>(m_shellLibrary.resolve("APT_LUMO_ChangeSize"));
    m_pCallBack = reinterpret_cast<CallBackFn>(m_shellLibrary.resolve("APT_LUMO_CallBack"));
    if (!m_pOpenDialog || !m_pChangeSize || !m_pCallBack) {
        QMessageBox::critical(nullptr, QStringLiteral("Host application"),
                              QStringLiteral("Cannot load the utility: %1").arg(m_shellLibrary.errorString()));
        return false;
    }
    // Without its own title bar: the host's window frame has one.
    return m_pOpenDialog(this, m_pUtilityLayout, false, 0, 0, 0);
}

void HostWindow::OnSmallTabsToggled(bool small)
{
    m_pChangeSize(!small);
}

void HostWindow::OnFeedClicked()
{
    if (!m_pFeeder)
        m_pFeeder = new ReportFeeder(m_pCallBack);
    m_pFeeder->FeedDevices(20);
}

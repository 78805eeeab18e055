#pragma once

#include "shell_global.h"

#include <CBaseDialog.h>

#include <memory>

namespace Ui { class CDlgAboutClass; }

// The About box: program picture, name, and version with its build stamp.
class SHELL_EXPORT CDlgAbout : public CBaseDialog
{
    Q_OBJECT
public:
    explicit CDlgAbout(QWidget* parent = nullptr);
    ~CDlgAbout() override;

private:
    std::unique_ptr<Ui::CDlgAboutClass> m_pUi;
};

#pragma once

#include "controls_global.h"

#include <QFrame>
#include <QPointer>

class CBaseDialog;

// A frame that can show itself inside a CBaseDialog, modal or modeless. The
// hosting dialog is created on the first show and deleted with the frame.
class CONTROLS_EXPORT CMutiroleDialog : public QFrame
{
    Q_OBJECT
public:
    explicit CMutiroleDialog(QWidget* parent = nullptr);
    ~CMutiroleDialog() override;

    void ShowModal(QWidget* parent, const QString& title);
    void ShowModeless(QWidget* parent, const QString& title, int w, int h);
    int ExecModal(QWidget* parent, QString title);

    void MoveDialog(int x, int y);
    int DialogWidth() const;
    int DialogHeight() const;
    CBaseDialog* HostDialog() const { return m_pDialog; }

public slots:
    // Runs when the hosting dialog's close button is clicked; override to
    // intercept closing.
    virtual bool DialogCloseSlot();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    class CHost;

    void PrepareDialog(QWidget* parent, const QString& title, const QSize& size);

    QPointer<CBaseDialog> m_pDialog;
    QWidget* m_pParent;
};

// Renders the skinned dialogs and controls to PNG files so that a person can
// look at the skin: controls_screenshots [output directory].

#include "CBaseDialog.h"
#include "CHeaderView.h"
#include "CMorvelStyle.h"
#include "CTableView.h"
#include "CWarnDlg.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QPainter>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>
#include <QStandardItemModel>
#include <QTabBar>
#include <QVBoxLayout>

namespace {

bool Save(QWidget* widget, const QDir& dir, const QString& name)
{
    widget->show();
    QApplication::processEvents();
    const QString path = dir.filePath(name);
    const bool saved = widget->grab().save(path);
    qInfo("%s %s", saved ? "wrote" : "FAILED", qPrintable(path));
    widget->hide();
    return saved;
}

// Every skin image side by side, four times enlarged, to judge the pixels.
bool SaveSkinSheet(const QDir& dir)
{
    QDirIterator it(QStringLiteral(":/images"), QDirIterator::Subdirectories);
    QList<QImage> images;
    while (it.hasNext()) {
        const QImage image(it.next());
        if (!image.isNull())
            images.append(image.scaled(image.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    int width = 8;
    int height = 0;
    for (const QImage& image : std::as_const(images)) {
        width += image.width() + 8;
        height = qMax(height, image.height());
    }
    QImage sheet(width, height + 16, QImage::Format_ARGB32);
    sheet.fill(QColor(255, 0, 255));
    QPainter painter(&sheet);
    int x = 8;
    for (const QImage& image : std::as_const(images)) {
        painter.drawImage(x, 8, image);
        x += image.width() + 8;
    }
    painter.end();
    const QString path = dir.filePath(QStringLiteral("skin_images_x4.png"));
    const bool saved = sheet.save(path);
    qInfo("%s %s", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

bool SaveEnlarged(QWidget* widget, const QDir& dir, const QString& name)
{
    widget->show();
    QApplication::processEvents();
    const QImage image = widget->grab().toImage();
    widget->hide();
    const QString path = dir.filePath(name);
    const bool saved = image.scaled(image.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation).save(path);
    qInfo("%s %s", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

void PrepareMessageBox(CWarnDlg& box, const QString& title, const QString& text, bool bConfirm)
{
    box.AdjustWidth(text);
    box.ShowCloseBtn(true);
    box.ShowBottomFrame(bConfirm);
    box.SetTitleAndText(title, text);
}

QWidget* ControlsSheet()
{
    auto* sheet = new QWidget();
    sheet->resize(520, 360);
    auto* layout = new QVBoxLayout(sheet);

    auto* tabs = new QTabBar(sheet);
    tabs->addTab(QStringLiteral("Devices"));
    tabs->addTab(QStringLiteral("About"));
    tabs->setTabsClosable(true);
    layout->addWidget(tabs);

    const int values[] = { 0, 50, 100 };
    for (int value : values) {
        auto* bar = new QProgressBar(sheet);
        bar->setRange(0, 100);
        bar->setValue(value);
        bar->setTextVisible(false);
        bar->setFixedHeight(26);
        layout->addWidget(bar);
    }
    auto* slider = new QSlider(Qt::Horizontal, sheet);
    slider->setRange(0, 10);
    slider->setValue(4);
    slider->setTickPosition(QSlider::TicksBelow);
    layout->addWidget(slider);

    auto* table = new CTableView(sheet);
    auto* model = new QStandardItemModel(3, 3, table);
    model->setHorizontalHeaderLabels({ QStringLiteral("Device"), QStringLiteral("IPv4 Address"), QStringLiteral("Port") });
    model->setHeaderData(0, Qt::Horizontal, Qt::PartiallyChecked, Qt::CheckStateRole);
    for (int row = 0; row < 3; ++row) {
        auto* item = new QStandardItem(QStringLiteral("K-VNT1C %1").arg(row + 1));
        item->setCheckable(true);
        item->setCheckState(row == 1 ? Qt::Checked : Qt::Unchecked);
        model->setItem(row, 0, item);
        model->setItem(row, 1, new QStandardItem(QStringLiteral("192.168.1.%1").arg(64 + row)));
        model->setItem(row, 2, new QStandardItem(QStringLiteral("8000")));
    }
    table->setModel(model);
    table->setCurrentIndex(model->index(1, 1));
    layout->addWidget(table);
    return sheet;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(new CMorvelStyle());
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(CONTROLS_SCREENSHOT_DIR));
    QDir().mkpath(dir.absolutePath());

    QWidget owner;
    bool ok = true;

    CWarnDlg information(&owner);
    PrepareMessageBox(information, QStringLiteral("Information"),
                      QStringLiteral("Modify network parameters succeeded: 1, 2"), false);
    ok &= Save(&information, dir, QStringLiteral("warn_information.png"));

    CWarnDlg confirmation(&owner);
    PrepareMessageBox(confirmation, QStringLiteral("Confirm"), QStringLiteral("Sure to close software"), true);
    ok &= Save(&confirmation, dir, QStringLiteral("warn_confirm.png"));

    CWarnDlg tall(&owner);
    PrepareMessageBox(tall, QStringLiteral("Information"),
                      QStringLiteral("Succeeded: 1, 2, 3<br>Failed: 4<br>Failed: 5<br>Failed: 6<br>Failed: 7<br>"
                                     "Failed: 8<br>Failed: 9<br>Failed: 10<br>Failed: 11"),
                      false);
    ok &= Save(&tall, dir, QStringLiteral("warn_tall.png"));

    CBaseDialog base(&owner, true, true, true);
    base.SetTitle(QStringLiteral("Dialog"));
    base.ShowCloseBtn(true);
    auto* content = new QLabel(QStringLiteral("Content area"));
    content->setAlignment(Qt::AlignCenter);
    base.SetContentWidget(content);
    ok &= Save(&base, dir, QStringLiteral("base_dialog.png"));

    CBaseDialog plain(&owner, false, false, false);
    plain.SetTitle(QStringLiteral("About"));
    plain.ShowCloseBtn(true);
    ok &= Save(&plain, dir, QStringLiteral("base_dialog_plain.png"));

    QWidget* sheet = ControlsSheet();
    ok &= Save(sheet, dir, QStringLiteral("controls_sheet.png"));
    delete sheet;

    QTabBar tabs;
    tabs.addTab(QStringLiteral("Devices"));
    tabs.addTab(QStringLiteral("About"));
    tabs.setTabsClosable(true);
    ok &= SaveEnlarged(&tabs, dir, QStringLiteral("tabs_x3.png"));
    ok &= SaveSkinSheet(dir);

    return ok ? 0 : 1;
}

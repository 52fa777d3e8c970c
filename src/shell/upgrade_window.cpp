#include "shell/upgrade_window.h"

#include "platform/platform.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

UpgradeWindow::UpgradeWindow(QWidget* parent)
    : QDialog(parent)
{
    setObjectName("UpgradeWindow");
    setWindowTitle("数据格式转换");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    auto* text = new QLabel("正在把数据文件转换为新的数据格式，请稍候……" + QString(QChar('\n'))
                                + "转换完成前请不要关闭计算机或再次启动本程序。",
                            this);
    text->setObjectName("Label1");
    m_bar = new QProgressBar(this);
    m_bar->setObjectName("ProgressBar1");
    m_bar->setTextVisible(true);
    m_bar->setMinimumWidth(360);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(text);
    lay->addWidget(m_bar);
}

void UpgradeWindow::showStep(int done, int steps)
{
    m_bar->setRange(0, steps);
    m_bar->setValue(done);
    if (!isVisible())
        show();
    LetRepaint();
}

int UpgradeWindow::value() const { return m_bar->value(); }

void UpgradeWindow::closeEvent(QCloseEvent* e) { e->ignore(); }

void UpgradeWindow::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape)
        return;
    QDialog::keyPressEvent(e);
}

#pragma once
#include "platform/mainhost.h"
#include "dialogs/report_control.h"

class QAction;
class QLabel;

// The report host ("打印"): shows the report a window has set up on its
// report control Cry as a preview; "&P.打印" sends that report to the
// printer, "&R.返回" closes the host. One host, created on the first print
// and reused while it stays open, so the next print replaces the preview.
class Prnt : public ChildWindow {
    Q_OBJECT
public:
    // Shows the host without blocking, creating it on first use.
    static Prnt* Show();
    // The open host, or nullptr.
    static Prnt* Loaded();

    ReportControl& Cry() { return m_cry; }
    ReportPreview* preview() const { return m_preview; }

    void formLoad() override;
    QSize sizeHint() const override;

public slots:
    void Menu_prnt_Click();
    void Menu_Rtn_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Prnt();

    ReportPreview* m_preview;
    QLabel* m_label1;
    ReportControl m_cry;
};

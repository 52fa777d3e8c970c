#pragma once
#include <QDialog>

class QLabel;
class QProgressBar;

// Shown while start-up brings the data file to the new layout, from the
// moment the program knows it will until the log-in: what is happening and
// how far, under the busy pointer. The upgrade runs beside the event loop
// (UpgradeRun::BesideEventLoop), so the window repaints and answers the
// desktop throughout, user input held back. It cannot be closed half-way:
// it has no close button and ignores the frame's close and Esc.
class UpgradeWindow : public QDialog {
    Q_OBJECT
public:
    explicit UpgradeWindow(QWidget* parent = nullptr);
    // done of steps finished; shows the window on the first call and lets it
    // repaint at once.
    void showStep(int done, int steps);
    int value() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QProgressBar* m_bar;
};

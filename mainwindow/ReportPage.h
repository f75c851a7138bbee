#pragma once

#include "engine/run/RunReport.h"
#include "mainwindow/TabPage.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace quillon {

class ProgressBar;

// The report page: the files line, progress, the six counters, the start and
// stop buttons and the done picture. It shows what a run tells it.
class ReportPage : public TabPage {
    Q_OBJECT
public:
    explicit ReportPage(QWidget* parent = nullptr);

    // The page is made current between runs: "0 of N file in progress..." and,
    // with files, a bar of four steps per file.
    void showFilesToTag(int fileCount);
    // A run over fileCount files starts: bar at its start, done picture
    // hidden, the six counters 0.
    void resetForRun(int fileCount);
    // Start enabled between runs, Stop during one.
    void setRunning(bool running) override;
    void showFileStarted(int index, int count);
    void showProgress(double value, double maximum);
    void showCounters(const Counters& counters);
    // The run is over. When it went through every file: full bar (as the run
    // left it) and the done picture, a warning with the count when the run
    // reported errors. When it was stopped after filesHandled files were
    // written or otherwise handled: the bar and the line tell so; no done picture.
    void showFinished(bool stopped, int filesHandled);
    // Clear All: bar at its start with its percentage, counters 0, no done picture.
    void clear();

    // The design geometry, fitted to the window's font.
    void applyDesign() override;
    // The page's share of the layout for a page control tabWidth twips wide.
    void layOut(double windowWidth, double tabWidth) override;

signals:
    void startClicked();
    void stopClicked();

protected:
    // While the page is shown, Enter anywhere in its window presses the start
    // button, as the window's default button; a button or box with the focus
    // that takes Enter itself keeps it.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void showDone();
    void showStopped(int filesHandled);
    void showPercent(const QString& text);

    QGroupBox* fraOverall;
    QLabel* lblFilesCompleted;
    ProgressBar* Progress;
    QLabel* lblPercent;
    QGroupBox* fraTotals;
    QLabel* Label4;
    QLabel* lblTotalFound;
    QLabel* Label5;
    QLabel* lblTotalTagged;
    QLabel* Label6;
    QLabel* lblTotalErrors;
    QGroupBox* fraCurrentFile;
    QLabel* Label9;
    QLabel* lblCurrentFound;
    QLabel* Label8;
    QLabel* lblCurrentTagged;
    QLabel* Label7;
    QLabel* lblCurrentErrors;
    QPushButton* cmdStart;
    QPushButton* cmdStop;
    QLabel* imgDone;

    // The page control's width at the last layout, for the bar to make room
    // beside a percentage that changed its width.
    double m_tabWidth = 0;
    // The files of the current run.
    int m_fileCount = 0;
    // Error rows of the run so far, for the done picture.
    int m_totalErrors = 0;
};

} // namespace quillon

#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace quillon {

class ProgressBar;

// The report page: the files line, progress, the six counters, the start and
// stop buttons and the done picture.
class ReportPage : public QWidget {
    Q_OBJECT
public:
    explicit ReportPage(QWidget* parent = nullptr);

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
};

} // namespace quillon

#include "mainwindow/ReportPage.h"

#include "mainwindow/ProgressTexts.h"
#include "mainwindow/ProgressBar.h"

#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace quillon {

namespace {

QLabel* label(const QString& name, const QString& text, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QGroupBox* frame(const QString& name, const QString& caption, QWidget* parent)
{
    auto* f = new QGroupBox(caption, parent);
    f->setObjectName(name);
    return f;
}

} // namespace

ReportPage::ReportPage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pageBeginTagging"));
    fraOverall = frame(QStringLiteral("fraOverall"), QStringLiteral("Overall Progress"), this);
    lblFilesCompleted
        = label(QStringLiteral("lblFilesCompleted"), QStringLiteral("0 of 0 files completed..."), fraOverall);
    Progress = new ProgressBar(fraOverall);
    Progress->setObjectName(QStringLiteral("Progress"));
    lblPercent = label(QStringLiteral("lblPercent"), QStringLiteral("00% Complete"), fraOverall);

    fraTotals = frame(QStringLiteral("fraTotals"), QStringLiteral("Totals"), this);
    Label4 = label(QStringLiteral("Label4"), QStringLiteral("Images Found:"), fraTotals);
    lblTotalFound = label(QStringLiteral("lblTotalFound"), QStringLiteral("0"), fraTotals);
    Label5 = label(QStringLiteral("Label5"), QStringLiteral("Images Tagged:"), fraTotals);
    lblTotalTagged = label(QStringLiteral("lblTotalTagged"), QStringLiteral("0"), fraTotals);
    Label6 = label(QStringLiteral("Label6"), QStringLiteral("Errors Reported:"), fraTotals);
    lblTotalErrors = label(QStringLiteral("lblTotalErrors"), QStringLiteral("0"), fraTotals);

    fraCurrentFile = frame(QStringLiteral("fraCurrentFile"), QStringLiteral("Current File"), this);
    Label9 = label(QStringLiteral("Label9"), QStringLiteral("Images Found:"), fraCurrentFile);
    lblCurrentFound = label(QStringLiteral("lblCurrentFound"), QStringLiteral("0"), fraCurrentFile);
    Label8 = label(QStringLiteral("Label8"), QStringLiteral("Images Tagged:"), fraCurrentFile);
    lblCurrentTagged = label(QStringLiteral("lblCurrentTagged"), QStringLiteral("0"), fraCurrentFile);
    Label7 = label(QStringLiteral("Label7"), QStringLiteral("Errors Reported:"), fraCurrentFile);
    lblCurrentErrors = label(QStringLiteral("lblCurrentErrors"), QStringLiteral("0"), fraCurrentFile);

    cmdStart = new QPushButton(this);
    cmdStart->setObjectName(QStringLiteral("cmdStart"));
    cmdStart->setIcon(QIcon(QStringLiteral(":/pictures/start.svg")));
    cmdStart->setIconSize(QSize(59, 16));
    cmdStart->setToolTip(QStringLiteral("Start tagging selected file(s)"));
    cmdStart->setDefault(true);

    cmdStop = new QPushButton(QStringLiteral("Stop"), this);
    cmdStop->setObjectName(QStringLiteral("cmdStop"));
    cmdStop->setToolTip(QStringLiteral("Stop tagging after the current image"));
    cmdStop->setEnabled(false);

    imgDone = new QLabel(this);
    imgDone->setObjectName(QStringLiteral("imgDone"));
    imgDone->setPixmap(QIcon(QStringLiteral(":/pictures/done.svg")).pixmap(QSize(75, 49)));
    imgDone->setAlignment(Qt::AlignCenter);
    imgDone->hide();
}

void ReportPage::showFilesToTag(int fileCount)
{
    lblFilesCompleted->setText(filesInProgressText(0, fileCount));
    if (fileCount > 0)
        Progress->setMaximumValue(4.0 * fileCount);
}

void ReportPage::resetForRun(int fileCount)
{
    Progress->setCurrentValue(Progress->minimumValue());
    showPercent(percentText(Progress->currentValue(), Progress->maximumValue()));
    imgDone->hide();
    showCounters(Counters());
    m_filesReached = 0;
    m_fileCount = fileCount;
}

void ReportPage::setRunning(bool running)
{
    cmdStart->setEnabled(!running);
    cmdStop->setEnabled(running);
}

void ReportPage::showFileStarted(int index, int count)
{
    m_filesReached = index + 1;
    m_fileCount = count;
    lblFilesCompleted->setText(filesInProgressText(index + 1, count));
}

void ReportPage::showProgress(double value, double maximum)
{
    Progress->setMaximumValue(maximum);
    Progress->setCurrentValue(value);
    showPercent(percentText(value, maximum));
}

void ReportPage::showCounters(const Counters& counters)
{
    QLabel* const labels[] = { lblTotalFound, lblTotalTagged, lblTotalErrors, lblCurrentFound,
        lblCurrentTagged, lblCurrentErrors };
    for (int i = 0; i < 6; ++i) {
        labels[i]->setText(QString::number(i < 3 ? counters.total[i] : counters.current[i - 3]));
        labels[i]->adjustSize();
    }
}

void ReportPage::showDone()
{
    imgDone->show();
}

void ReportPage::showStopped()
{
    // Each file the run began ends at its four steps, the one cut short too.
    const double reached
        = std::min(Progress->minimumValue() + 4.0 * m_filesReached, Progress->maximumValue());
    Progress->setCurrentValue(reached);
    showPercent(percentText(reached, Progress->maximumValue()));
    lblFilesCompleted->setText(
        QStringLiteral("Stopped after %1 of %2 files.").arg(m_filesReached).arg(m_fileCount));
    imgDone->hide();
}

void ReportPage::clear()
{
    Progress->setCurrentValue(Progress->minimumValue());
    showPercent(percentText(Progress->currentValue(), Progress->maximumValue()));
    imgDone->hide();
    showCounters(Counters());
    lblFilesCompleted->setText(QStringLiteral("0 of 0 files completed..."));
}

// The percentage label sizes itself to its text.
void ReportPage::showPercent(const QString& text)
{
    const int before = lblPercent->width();
    lblPercent->setText(text);
    lblPercent->adjustSize();
    if (lblPercent->width() != before)
        emit percentResized();
}

} // namespace quillon

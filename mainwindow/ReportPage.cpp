#include "mainwindow/ReportPage.h"

#include "mainwindow/ProgressTexts.h"
#include "mainwindow/ProgressBar.h"
#include "mainwindow/Twips.h"
#include "mainwindow/PageLayout.h"

#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <algorithm>
#include <array>

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

// The captions of a counter frame, each with its counter beside it.
using CounterRows = std::array<std::pair<QLabel*, QLabel*>, 3>;

void placeCounters(const CounterRows& rows)
{
    twips::setGeometry(rows[0].first, 105, 315, 1290, 240);
    twips::setGeometry(rows[0].second, 1485, 315, 0, 0);
    twips::setGeometry(rows[1].first, 90, 660, 1305, 240);
    twips::setGeometry(rows[1].second, 1485, 675, 0, 0);
    twips::setGeometry(rows[2].first, 105, 1005, 1290, 240);
    twips::setGeometry(rows[2].second, 1485, 1005, 0, 0);
    for (const auto& row : rows)
        PageLayout::autoSize(row.second);
}

// Each counter stands on its caption's line, both as high as their text, and
// clear of a caption that had to grow.
void alignCounters(const CounterRows& rows)
{
    using twips::left, twips::setHeight, twips::setLeft, twips::setTop, twips::top, twips::width;
    for (const auto& [caption, count] : rows) {
        setHeight(caption, caption->sizeHint().height() * twips::kPerPixel);
        setTop(count, top(caption));
        setLeft(count, std::max(left(count), left(caption) + width(caption) + 45));
        PageLayout::autoSize(count);
    }
}

// The done picture's size in pixels; the warning takes the tick's place at the same size.
constexpr QSize kDoneSize(75, 49);

QString errorsText(int errors)
{
    return errors == 1 ? QStringLiteral("1 error") : QStringLiteral("%1 errors").arg(errors);
}

// The warning triangle with the number of errors beside it, the number above
// its noun, drawn small enough to fit however many there were.
QPixmap warningPicture(int errors, qreal ratio)
{
    QPixmap picture = QIcon(QStringLiteral(":/pictures/warning.svg")).pixmap(kDoneSize, ratio);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(QColor(0xb0, 0x30, 0x00));
    const QRectF number(38, 2, 37, 26), noun(38, 28, 37, 18);
    QFont font(QStringLiteral("Arial"));
    font.setBold(true);
    font.setPixelSize(20);
    const QString count = QString::number(errors);
    while (font.pixelSize() > 6 && QFontMetricsF(font).horizontalAdvance(count) > number.width())
        font.setPixelSize(font.pixelSize() - 1);
    painter.setFont(font);
    painter.drawText(number, Qt::AlignHCenter | Qt::AlignBottom, count);
    font.setPixelSize(11);
    painter.setFont(font);
    painter.drawText(noun, Qt::AlignHCenter | Qt::AlignTop,
        errors == 1 ? QStringLiteral("error") : QStringLiteral("errors"));
    return picture;
}

} // namespace

ReportPage::ReportPage(QWidget* parent)
    : TabPage(parent)
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
    cmdStop->setToolTip(QStringLiteral("Stop tagging; the file in hand is left as it was"));
    cmdStop->setEnabled(false);

    imgDone = new QLabel(this);
    imgDone->setObjectName(QStringLiteral("imgDone"));
    imgDone->setAlignment(Qt::AlignCenter);
    imgDone->hide();

    connect(cmdStart, &QPushButton::clicked, this, &ReportPage::startClicked);
    connect(cmdStop, &QPushButton::clicked, this, &ReportPage::stopClicked);
}

void ReportPage::applyDesign()
{
    using twips::setGeometry;
    setGeometry(fraOverall, 100, 450, 6000, 1020);
    setGeometry(lblFilesCompleted, 165, 300, 5025, 225);
    setGeometry(Progress, 135, 660, 4000, 225);
    setGeometry(lblPercent, 4235, 675, 0, 0);
    PageLayout::autoSize(lblPercent);
    setGeometry(fraTotals, 135, 1560, 2200, 1425);
    const CounterRows totals { { { Label4, lblTotalFound }, { Label5, lblTotalTagged },
        { Label6, lblTotalErrors } } };
    placeCounters(totals);
    setGeometry(fraCurrentFile, 2435, 1560, 2200, 1425);
    const CounterRows current { { { Label9, lblCurrentFound }, { Label8, lblCurrentTagged },
        { Label7, lblCurrentErrors } } };
    placeCounters(current);
    setGeometry(cmdStart, 4800, 1650, 1500, 435);
    setGeometry(cmdStop, 4800, 1650, 900, 435);
    setGeometry(imgDone, 4990, 2205, 1125, 735);
    PageLayout::fitToFont(this);
    alignCounters(totals);
    alignCounters(current);
}

void ReportPage::layOut(double, double T)
{
    using twips::height, twips::left, twips::setHeight, twips::setLeft, twips::setTop, twips::setWidth,
        twips::top, twips::width;
    m_tabWidth = T;
    PageLayout::autoSize(lblPercent);
    setLeft(fraOverall, 100);
    setWidth(fraOverall, T - 250);
    setWidth(Progress, width(fraOverall) - width(lblPercent) - 350);
    setLeft(lblPercent, left(Progress) + width(Progress) + 100);
    setWidth(fraTotals, T / 3);
    setLeft(fraCurrentFile, left(fraTotals) + width(fraTotals) + 100);
    setWidth(fraCurrentFile, T / 3);
    setLeft(cmdStart, left(fraCurrentFile) + width(fraCurrentFile) + 150);
    // The stop button stands beside the start button, in a part of its width.
    const double buttons = T - left(cmdStart) - 300;
    const double stopWidth = std::clamp(buttons * 0.4, 600.0, 1200.0);
    setWidth(cmdStart, buttons - stopWidth - 90);
    setTop(cmdStop, top(cmdStart));
    setHeight(cmdStop, height(cmdStart));
    setLeft(cmdStop, left(cmdStart) + width(cmdStart) + 90);
    setWidth(cmdStop, stopWidth);
    setLeft(imgDone, left(cmdStart) + width(cmdStart) / 2 - width(imgDone) / 2);
}

void ReportPage::showEvent(QShowEvent* event)
{
    TabPage::showEvent(event);
    // Installed again it is still called once.
    window()->installEventFilter(this);
}

bool ReportPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window() && event->type() == QEvent::KeyPress && isVisible()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && cmdStart->isEnabled()) {
            cmdStart->click();
            return true;
        }
    }
    return TabPage::eventFilter(watched, event);
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
    m_fileCount = fileCount;
}

void ReportPage::setRunning(bool running)
{
    cmdStart->setEnabled(!running);
    cmdStop->setEnabled(running);
}

void ReportPage::showFileStarted(int index, int count)
{
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
    m_totalErrors = counters.totalOf(Counter::Errors);
}

void ReportPage::showFinished(bool stopped, int filesHandled)
{
    stopped ? showStopped(filesHandled) : showDone();
}

// The tick and "OK" only when every tag went well; otherwise a warning with
// the number of error rows, so a glance at the page does not mislead.
void ReportPage::showDone()
{
    const qreal ratio = imgDone->devicePixelRatioF();
    if (m_totalErrors == 0) {
        imgDone->setPixmap(QIcon(QStringLiteral(":/pictures/done.svg")).pixmap(kDoneSize, ratio));
        imgDone->setToolTip(QString());
        imgDone->setAccessibleName(QString());
    } else {
        imgDone->setPixmap(warningPicture(m_totalErrors, ratio));
        imgDone->setToolTip(errorsText(m_totalErrors));
        imgDone->setAccessibleName(errorsText(m_totalErrors));
    }
    imgDone->show();
}

void ReportPage::showStopped(int filesHandled)
{
    // The file a stop cut short was left as it was, so it counts for nothing.
    const double reached = std::min(Progress->minimumValue() + 4.0 * filesHandled, Progress->maximumValue());
    Progress->setCurrentValue(reached);
    showPercent(percentText(reached, Progress->maximumValue()));
    lblFilesCompleted->setText(
        QStringLiteral("Stopped after %1 of %2 files.").arg(filesHandled).arg(m_fileCount));
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

// The percentage label sizes itself to its text, and the bar beside it makes
// room; a page out of sight is laid out when it is shown.
void ReportPage::showPercent(const QString& text)
{
    const int before = lblPercent->width();
    lblPercent->setText(text);
    lblPercent->adjustSize();
    if (lblPercent->width() != before && isVisible())
        layOut(0, m_tabWidth);
}

} // namespace quillon

#include "mainwindow/WindowLayout.h"
#include "mainwindow/WindowPlacement.h"

#include "filelist/DriveBox.h"
#include "filelist/FileBox.h"
#include "filelist/FolderBox.h"
#include "mainwindow/ChooseFilesPage.h"
#include "mainwindow/OptionsPage.h"
#include "mainwindow/ProgressBar.h"
#include "mainwindow/ReportPage.h"
#include "mainwindow/SplitterBar.h"
#include "mainwindow/StatusFrame.h"
#include "mainwindow/TabStrip.h"
#include "mainwindow/Twips.h"
#include "mainwindow/frmMain.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <cmath>

namespace quillon::WindowLayout {

namespace {

using namespace twips;

// A label that sizes itself to its text keeps its place and takes its text's size.
void autoSize(QLabel* label)
{
    const QSize size = label->sizeHint();
    setWidth(label, size.width() * kPerPixel);
    setHeight(label, size.height() * kPerPixel);
}

void place(QWidget* w, double left, double top, double width, double height)
{
    setGeometry(w, left, top, width, height);
}

void placeCounters(QLabel* found, QLabel* foundCount, QLabel* tagged, QLabel* taggedCount, QLabel* errors,
    QLabel* errorsCount)
{
    place(found, 105, 315, 1290, 240);
    place(foundCount, 1485, 315, 0, 0);
    place(tagged, 90, 660, 1305, 240);
    place(taggedCount, 1485, 675, 0, 0);
    place(errors, 105, 1005, 1290, 240);
    place(errorsCount, 1485, 1005, 0, 0);
    for (QLabel* count : { foundCount, taggedCount, errorsCount })
        autoSize(count);
}

// Width / 3 to the nearest whole number, halves away from zero.
double third(double width)
{
    return std::round(width / 3.0);
}

} // namespace

void applyDesign(frmMain& w)
{
    setHeight(w.tabStrip, 3195);

    ChooseFilesPage& c = *w.pageChooseFiles;
    place(c.Label1, 135, 495, 5265, 255);
    place(c.dirChooseFile, 165, 850, 2280, 1440);
    place(c.drvChooseFile, 165, 2400, 2280, 315);
    place(c.picChooseFile, 2470, 850, 90, 1835);
    place(c.fileChooseFile, 2585, 850, 3000, 1845);
    place(c.cmdAddFiles, 4025, 2760, 1560, 330);

    OptionsPage& o = *w.pageOptions;
    place(o.fraGeneralOptions, 100, 450, 2200, 1515);
    place(o.chkSound, 90, 240, 2115, 225);
    place(o.chkGenerateBackups, 90, 495, 1710, 285);
    place(o.chkBackupSame, 90, 840, 2055, 195);
    place(o.cmdBackupPath, 100, 1125, 2000, 300);
    place(o.fraOnlineMode, 2400, 435, 4000, 1530);
    place(o.optOnline, 135, 270, 2460, 285);
    place(o.optOffline, 135, 585, 2655, 315);
    place(o.lblNote, 165, 945, 3800, 480);
    place(o.fraBorder, 100, 2040, 3000, 990);
    place(o.optBorder1, 90, 300, 1815, 255);
    place(o.optBorder2, 90, 600, 1275, 255);
    place(o.lstBorderSize, 1245, 555, 645, 315);
    place(o.fraAlt, 3200, 2040, 3000, 990);
    place(o.optAlt1, 90, 300, 1815, 255);
    place(o.optAlt2, 90, 600, 795, 255);
    place(o.cboAltText, 840, 555, 1275, 315);
    place(o.cmdEdit, 2220, 555, 600, 300);

    ReportPage& r = *w.pageReport;
    place(r.fraOverall, 100, 450, 6000, 1020);
    place(r.lblFilesCompleted, 165, 300, 5025, 225);
    place(r.Progress, 135, 660, 4000, 225);
    place(r.lblPercent, 4235, 675, 0, 0);
    autoSize(r.lblPercent);
    place(r.fraTotals, 135, 1560, 2200, 1425);
    placeCounters(r.Label4, r.lblTotalFound, r.Label5, r.lblTotalTagged, r.Label6, r.lblTotalErrors);
    place(r.fraCurrentFile, 2435, 1560, 2200, 1425);
    placeCounters(r.Label9, r.lblCurrentFound, r.Label8, r.lblCurrentTagged, r.Label7, r.lblCurrentErrors);
    place(r.cmdStart, 4800, 1650, 1500, 435);
    place(r.cmdStop, 4800, 1650, 900, 435);
    place(r.imgDone, 4990, 2205, 1125, 735);

    StatusFrame& s = *w.fraStatus;
    place(s.lblFiles, 100, 165, 0, 0);
    autoSize(s.lblFiles);
    place(s.lstFiles, 100, 390, 2115, 1500);
    place(s.picStatus, 2240, 390, 90, 1500);
    place(s.lblStatus, 2355, 150, 0, 0);
    autoSize(s.lblStatus);
    place(s.lvStatus, 2355, 390, 3000, 1500);
}

namespace {

// Captions were measured for a narrower face than the desktop may have: a
// caption or list that does not fit widens its control, which keeps its place,
// and a check or option box too low for its text grows about its middle.
void fitCaptions(QWidget* page)
{
    const auto controls = page->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        const bool captioned = qobject_cast<QAbstractButton*>(control) || qobject_cast<QLabel*>(control)
            || qobject_cast<QComboBox*>(control);
        if (!captioned || qobject_cast<QPushButton*>(control))
            continue;
        const QSize hint = control->sizeHint();
        if (hint.width() * kPerPixel > width(control))
            setWidth(control, hint.width() * kPerPixel);
        const bool box = qobject_cast<QCheckBox*>(control) || qobject_cast<QRadioButton*>(control);
        const double needed = hint.height() * kPerPixel;
        if (box && needed > height(control)) {
            setTop(control, top(control) - (needed - height(control)) / 2);
            setHeight(control, needed);
        }
    }
}

// The design puts a frame's first control just below a caption drawn on the
// frame's top line; where the style draws the caption above the line, the
// controls move down, clear of it, into the room the design left at the bottom.
void clearFrameCaptions(QWidget* page)
{
    const auto frames = page->findChildren<QGroupBox*>();
    for (QGroupBox* frame : frames) {
        // The group box keeps its contents margins where the style puts the inside of its frame.
        const double clear = (frame->contentsRect().top() + 1) * kPerPixel;
        double highest = height(frame);
        double lowest = 0;
        const auto controls = frame->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
        for (const QWidget* control : controls) {
            highest = std::min(highest, top(control));
            lowest = std::max(lowest, top(control) + height(control));
        }
        const double shift = clear - highest;
        if (controls.isEmpty() || shift <= 0)
            continue;
        for (QWidget* control : controls)
            setTop(control, top(control) + shift);
        const double needed = lowest + shift + 3 * kPerPixel;
        if (needed > height(frame))
            setHeight(frame, needed);
    }
}

// Each counter stands on its caption's line, both as high as their text, and
// clear of a caption that had to grow.
void alignCounters(QLabel* caption, QLabel* count)
{
    setHeight(caption, caption->sizeHint().height() * kPerPixel);
    setTop(count, top(caption));
    setLeft(count, std::max(left(count), left(caption) + width(caption) + 45));
    autoSize(count);
}

// The left-hand control of a row keeps at most the width that leaves its
// splitter bar and a right-hand neighbour 1000 twips wide inside room, so a
// window made narrower never pushes the bar and the neighbour out of it.
// True when the width was cut.
bool limitLeftNeighbour(QWidget* leftNeighbour, const QWidget* bar, double room)
{
    const double most = room - left(leftNeighbour) - 25 - width(bar) - 25 - 1000;
    if (width(leftNeighbour) <= most)
        return false;
    return setWidth(leftNeighbour, std::max(most, 825.0));
}

} // namespace

void applyLoadGeometry(frmMain& w)
{
    for (QWidget* page : { static_cast<QWidget*>(w.pageOptions), static_cast<QWidget*>(w.pageReport) }) {
        fitCaptions(page);
        clearFrameCaptions(page);
    }
    ReportPage& r = *w.pageReport;
    const std::pair<QLabel*, QLabel*> counters[] = {
        { r.Label4, r.lblTotalFound },
        { r.Label5, r.lblTotalTagged },
        { r.Label6, r.lblTotalErrors },
        { r.Label9, r.lblCurrentFound },
        { r.Label8, r.lblCurrentTagged },
        { r.Label7, r.lblCurrentErrors },
    };
    for (const auto& [caption, count] : counters)
        alignCounters(caption, count);
    // A list that grew to show its items pushes the button beside it along.
    OptionsPage& o = *w.pageOptions;
    setLeft(o.cmdEdit, std::max(left(o.cmdEdit), left(o.cboAltText) + width(o.cboAltText) + 105));
    ChooseFilesPage& c = *w.pageChooseFiles;
    StatusFrame& s = *w.fraStatus;
    setWidth(c.picChooseFile, 90);
    setWidth(s.picStatus, 90);
    setLeft(w.tabStrip, 50);
    setTop(w.tabStrip, 50);
    setLeft(w.fraStatus, 50);
    setTop(w.fraStatus, height(w.tabStrip) + 100);
    for (QWidget* control : { static_cast<QWidget*>(c.dirChooseFile), static_cast<QWidget*>(c.picChooseFile),
             static_cast<QWidget*>(c.fileChooseFile) })
        setTop(control, 850);
    setHeight(c.picChooseFile, height(c.fileChooseFile) - 10);
    setWidth(c.drvChooseFile, width(c.dirChooseFile) + 15);
    for (QWidget* control : { static_cast<QWidget*>(s.lstFiles), static_cast<QWidget*>(s.lvStatus),
             static_cast<QWidget*>(s.picStatus) })
        setTop(control, 390);
    setHeight(s.picStatus, height(s.lstFiles) - 10);
}

bool run(frmMain& w)
{
    const bool normal
        = !(w.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    if (normal && (w.windowWidth() < 7000 || w.windowHeight() < 5500)) {
        const QRectF outer = WindowPlacement::outerBounds(w);
        WindowPlacement::setOuterBounds(w,
            QRectF(outer.left(), outer.top(), std::max(outer.width(), 7000.0),
                std::max(outer.height(), 5500.0)));
        return false;
    }

    // From here on a value the controls refuse is skipped.
    const double W = w.windowWidth();
    const double H = w.windowHeight();
    StatusFrame& s = *w.fraStatus;
    setWidth(w.tabStrip, W - 225);
    setWidth(w.fraStatus, W - 225);
    setHeight(w.fraStatus, H - height(w.tabStrip) - 850);
    setLeft(s.lblFiles, 100);
    setLeft(s.lstFiles, 100);
    limitLeftNeighbour(s.lstFiles, s.picStatus, width(w.fraStatus) - 100);
    setLeft(s.picStatus, left(s.lstFiles) + width(s.lstFiles) + 25);
    setLeft(s.lvStatus, left(s.picStatus) + width(s.picStatus) + 25);
    setWidth(s.lvStatus, width(w.fraStatus) - left(s.lvStatus) - 100);
    setHeight(s.lstFiles, height(w.fraStatus) - height(s.lblFiles) - 300);
    setHeight(s.lvStatus, height(s.lstFiles));
    setHeight(s.picStatus, height(s.lstFiles));
    setLeft(s.lblStatus, left(s.lvStatus));

    const double C = third(width(s.lvStatus));
    const double columns[3] = { C, C, C - 200 };
    for (int i = 0; i < 3; ++i) {
        s.lvStatus->setColumnWidth(i, toPixels(std::max(columns[i], 0.0)));
        s.lvStatus->model()->setHeaderData(i, Qt::Horizontal, columns[i], Qt::UserRole);
    }

    const double T = width(w.tabStrip);
    switch (w.tabStrip->currentIndex()) {
    case 0: {
        ChooseFilesPage& c = *w.pageChooseFiles;
        if (limitLeftNeighbour(c.dirChooseFile, c.picChooseFile, W - 400))
            setWidth(c.drvChooseFile, width(c.dirChooseFile) + 15);
        setLeft(c.picChooseFile, left(c.dirChooseFile) + width(c.dirChooseFile) + 25);
        setLeft(c.fileChooseFile, left(c.picChooseFile) + width(c.picChooseFile) + 25);
        setWidth(c.fileChooseFile, W - left(c.fileChooseFile) - 400);
        setLeft(c.cmdAddFiles, left(c.fileChooseFile) + width(c.fileChooseFile) - width(c.cmdAddFiles));
        break;
    }
    case 1: {
        OptionsPage& o = *w.pageOptions;
        setLeft(o.fraBorder, 100);
        setWidth(o.fraBorder, T / 2 - 150);
        setLeft(o.fraAlt, left(o.fraBorder) + width(o.fraBorder) + 100);
        setWidth(o.fraAlt, width(o.fraBorder));
        // A check box whose caption had to grow stays inside its frame: the frame
        // widens, and the online frame beside it gives way.
        double boxes = 0;
        for (const QWidget* box : { o.chkSound, o.chkGenerateBackups, o.chkBackupSame })
            boxes = std::max(boxes, left(box) + width(box) + 90);
        const double general = std::max(T / 3, boxes);
        setLeft(o.fraGeneralOptions, 100);
        setWidth(o.fraGeneralOptions, general);
        setLeft(o.fraOnlineMode, left(o.fraGeneralOptions) + general + 100);
        setWidth(o.fraOnlineMode, (T / 3) * 2 - 300 - (general - T / 3));
        setWidth(o.lblNote, width(o.fraOnlineMode) - 200);
        setLeft(o.cmdBackupPath, 100);
        setWidth(o.cmdBackupPath, width(o.fraGeneralOptions) - 200);
        setWidth(o.cmdEdit, width(o.fraAlt) - left(o.cmdEdit) - 100);
        break;
    }
    case 2: {
        ReportPage& r = *w.pageReport;
        autoSize(r.lblPercent);
        setLeft(r.fraOverall, 100);
        setWidth(r.fraOverall, T - 250);
        setWidth(r.Progress, width(r.fraOverall) - width(r.lblPercent) - 350);
        setLeft(r.lblPercent, left(r.Progress) + width(r.Progress) + 100);
        setWidth(r.fraTotals, T / 3);
        setLeft(r.fraCurrentFile, left(r.fraTotals) + width(r.fraTotals) + 100);
        setWidth(r.fraCurrentFile, T / 3);
        setLeft(r.cmdStart, left(r.fraCurrentFile) + width(r.fraCurrentFile) + 150);
        // The stop button stands beside the start button, in a part of its width.
        const double buttons = T - left(r.cmdStart) - 300;
        const double stopWidth = std::clamp(buttons * 0.4, 600.0, 1200.0);
        setWidth(r.cmdStart, buttons - stopWidth - 90);
        setTop(r.cmdStop, top(r.cmdStart));
        setHeight(r.cmdStop, height(r.cmdStart));
        setLeft(r.cmdStop, left(r.cmdStart) + width(r.cmdStart) + 90);
        setWidth(r.cmdStop, stopWidth);
        setLeft(r.imgDone, left(r.cmdStart) + width(r.cmdStart) / 2 - width(r.imgDone) / 2);
        break;
    }
    default:
        break;
    }
    return true;
}

} // namespace quillon::WindowLayout

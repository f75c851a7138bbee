#pragma once

#include "engine/ImageFetcher.h"
#include "filelist/FileBox.h"
#include "filelist/FileList.h"
#include "mainwindow/ChooseFilesPage.h"
#include "mainwindow/ProgressBar.h"
#include "mainwindow/ReportPage.h"
#include "mainwindow/StatusFrame.h"
#include "mainwindow/TabStrip.h"
#include "mainwindow/frmMain.h"
#include "settings/SettingKeys.h"
#include "tests/support/ScriptedMessages.h"
#include "tests/support/TempDir.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTableView>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <semaphore>

namespace quillon::test {

// Brings remote pictures from nowhere: every address gives the same picture.
// The holdAt-th fetch (counting from 1) waits until the test lets it go, so a
// test can act while a run is surely in the middle of a document.
class GatedFetcher : public ImageFetcher {
public:
    GatedFetcher(QByteArray picture, int holdAt)
        : m_picture(std::move(picture))
        , m_holdAt(holdAt)
    {
    }

    Status fetch(const QString&, const QString& targetPath) override
    {
        if (++fetches == m_holdAt) {
            holding = true;
            // Bounded, so that a test that never lets go still ends.
            m_gate.try_acquire_for(std::chrono::seconds(60));
            holding = false;
        }
        QFile file(targetPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(m_picture) != m_picture.size())
            return Failure(ErrorCode::FileAccessError);
        return {};
    }
    void release() { m_gate.release(); }

    std::atomic<int> fetches = 0;
    std::atomic<bool> holding = false;

private:
    const QByteArray m_picture;
    const int m_holdAt;
    std::counting_semaphore<8> m_gate { 0 };
};

// A main window over a settings store and a site folder of its own, with
// scripted message boxes and a connection check the test controls.
class MainWindowTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (remote)
            remote->release();
        w.reset();
    }

    Settings settings() const { return Settings(SettingsStore(store.path())); }
    QString stored(const SettingKey& key) const { return settings().read(key); }
    void setStored(const SettingKey& key, const QString& value) const { settings().write(key, value); }

    // A new window, shown; an earlier one of this test is closed first.
    frmMain& open()
    {
        MainWindowServices s;
        s.settings = settings();
        s.messages = &messages;
        s.isOnline = [this] {
            ++onlineChecks;
            return online;
        };
        s.fetcher = remote.get();
        s.startFolder = site.path();
        w.reset();
        w = std::make_unique<frmMain>(s);
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return *w;
    }

    ReportPage& report() const { return *w->pageReport; }
    QListWidget* lstFiles() const { return w->fraStatus->lstFiles; }
    QTableView* lvStatus() const { return w->fraStatus->lvStatus; }
    FileBox* fileBox() const { return w->pageChooseFiles->fileChooseFile; }
    QPushButton* cmdAddFiles() const { return w->pageChooseFiles->cmdAddFiles; }

    static QStringList texts(const QListWidget* list)
    {
        QStringList all;
        for (int i = 0; i < list->count(); ++i)
            all.append(list->item(i)->text());
        return all;
    }
    // The report's rows as the user reads them, top to bottom.
    QList<QStringList> rows() const
    {
        QList<QStringList> all;
        const QAbstractItemModel* shown = lvStatus()->model();
        for (int i = 0; i < shown->rowCount(); ++i)
            all.append({ shown->index(i, 0).data().toString(), shown->index(i, 1).data().toString(),
                shown->index(i, 2).data().toString() });
        return all;
    }
    // Totals found, tagged, errors, then the current file's.
    QStringList counters() const
    {
        const ReportPage& r = report();
        return { r.lblTotalFound->text(), r.lblTotalTagged->text(), r.lblTotalErrors->text(),
            r.lblCurrentFound->text(), r.lblCurrentTagged->text(), r.lblCurrentErrors->text() };
    }

    void clickTab(int index) const
    {
        QTabBar* bar = w->tabStrip->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
    }
    // Selects every file in the file box with the keyboard and presses the add button.
    void addAllFiles() const
    {
        FileBox* box = fileBox();
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->visualItemRect(box->item(0)).center());
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::mouseClick(cmdAddFiles(), Qt::LeftButton);
    }
    // Starts a run from the File menu and waits for the window to say it is over.
    bool runs() const
    {
        QSignalSpy ended(w.get(), &frmMain::runEnded);
        w->mnuStart->trigger();
        return ended.count() > 0 || ended.wait(60000);
    }

    TempDir store;
    TempDir site;
    ScriptedMessages messages;
    std::optional<bool> online = true;
    int onlineChecks = 0;
    // Remote pictures come from here when set, else from libcurl. It outlives the
    // window, and is let go before the window goes, so no run is left waiting.
    std::unique_ptr<GatedFetcher> remote;
    std::unique_ptr<frmMain> w;
};

} // namespace quillon::test

#pragma once

#include "engine/ImageFetcher.h"
#include "filelist/FileBox.h"
#include "filelist/FileList.h"
#include "mainwindow/ChooseFilesPage.h"
#include "mainwindow/ProgressBar.h"
#include "mainwindow/ReportPage.h"
#include "mainwindow/RunController.h"
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
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace quillon::test {

// Brings remote pictures from nowhere: every address gives the same picture.
// One chosen fetch (counting from 1) waits until the test lets it go, so a test
// can act while a run is surely in the middle of a document.
class GatedFetcher : public ImageFetcher {
public:
    GatedFetcher(QByteArray picture, int holdAt) : m_picture(std::move(picture)), m_holdAt(holdAt) {}

    Status fetch(const QString& address, const QString& targetPath) override
    {
        {
            std::unique_lock lock(m_mutex);
            m_addresses.append(address);
            if (m_addresses.size() == m_holdAt) {
                m_holding = true;
                // Bounded, so that a test that never lets go still ends.
                m_changed.wait_for(lock, std::chrono::seconds(60), [this] { return m_released; });
                m_holding = false;
            }
        }
        QFile file(targetPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(m_picture) != m_picture.size())
            return Failure(ErrorCode::FileAccessError);
        return {};
    }

    bool holding() const
    {
        std::lock_guard lock(m_mutex);
        return m_holding;
    }
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }
    QStringList addresses() const
    {
        std::lock_guard lock(m_mutex);
        return m_addresses;
    }

private:
    const QByteArray m_picture;
    const int m_holdAt;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    QStringList m_addresses;
    bool m_holding = false;
    bool m_released = false;
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

    MainWindowServices services()
    {
        MainWindowServices s;
        s.settings = settings();
        s.messages = &messages;
        s.isOnline = [this] {
            ++onlineChecks;
            return online;
        };
        s.fetcher = remote.get();
        s.startFolder = startFolder.isEmpty() ? site.path() : startFolder;
        return s;
    }

    // A new window, shown; an earlier one of this test is closed first.
    frmMain& open()
    {
        w = std::make_unique<frmMain>(services());
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return *w;
    }

    ReportPage& report() const { return *w->pageReport; }
    QListWidget* lstFiles() const { return w->fraStatus->lstFiles; }
    QTreeWidget* lvStatus() const { return w->fraStatus->lvStatus; }
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
        for (int i = 0; i < lvStatus()->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = lvStatus()->topLevelItem(i);
            all.append({item->text(0), item->text(1), item->text(2)});
        }
        return all;
    }
    // Totals found, tagged, errors, then the current file's.
    QStringList counters() const
    {
        const ReportPage& r = report();
        return {r.lblTotalFound->text(),   r.lblTotalTagged->text(),   r.lblTotalErrors->text(),
                r.lblCurrentFound->text(), r.lblCurrentTagged->text(), r.lblCurrentErrors->text()};
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

    // Runs start and waits for the window to say the run is over.
    bool runs(const std::function<void()>& start) const
    {
        QSignalSpy ended(w.get(), &frmMain::runEnded);
        start();
        return ended.count() > 0 || ended.wait(60000);
    }

    TempDir store;
    TempDir site;
    QString startFolder; // the site when empty
    ScriptedMessages messages;
    std::optional<bool> online = true;
    int onlineChecks = 0;
    // Remote pictures come from here when set, else from libcurl. It outlives the
    // window, and is let go before the window goes, so no run is left waiting.
    std::unique_ptr<GatedFetcher> remote;
    std::unique_ptr<frmMain> w;
};

} // namespace quillon::test

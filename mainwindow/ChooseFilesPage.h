#pragma once

#include "mainwindow/TabPage.h"

#include <memory>

class QLabel;
class QPushButton;

namespace quillon {

class DriveBox;
class FileBox;
class FolderBox;
class FolderBrowser;
class SplitterBar;
class UserMessages;

// The Choose Files page: drive, folder and file boxes and the add button, kept
// in step by its folder browser.
class ChooseFilesPage : public TabPage {
    Q_OBJECT
public:
    explicit ChooseFilesPage(UserMessages& messages, QWidget* parent = nullptr);
    ~ChooseFilesPage() override;

    // The file box whose selection the add button adds.
    FileBox* fileBox() const { return fileChooseFile; }
    FolderBrowser& browser() const { return *m_browser; }

    // The design geometry and what the window's load fixes.
    void applyDesign() override;
    // The page's share of the layout for a window windowWidth twips wide: the
    // file box and the add button take the width the folder box leaves.
    void layOut(double windowWidth, double tabWidth) override;
    // No files are added while a run goes.
    void setRunning(bool running) override;

signals:
    // The splitter bar gave the folder box a new width.
    void layoutNeeded();

private:
    // The drive box is the folder box's width and 15 twips more.
    void followFolderWidth();

    QLabel* Label1;
    FolderBox* dirChooseFile;
    DriveBox* drvChooseFile;
    SplitterBar* picChooseFile;
    FileBox* fileChooseFile;
    QPushButton* cmdAddFiles;
    // Destroyed before the boxes it keeps in step.
    std::unique_ptr<FolderBrowser> m_browser;
};

} // namespace quillon

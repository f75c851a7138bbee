#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace quillon {

class DriveBox;
class FileBox;
class FolderBox;
class SplitterBar;

// The Choose Files page: drive, folder and file boxes and the add button.
class ChooseFilesPage : public QWidget {
    Q_OBJECT
public:
    explicit ChooseFilesPage(QWidget* parent = nullptr);

    QLabel* Label1;
    FolderBox* dirChooseFile;
    DriveBox* drvChooseFile;
    SplitterBar* picChooseFile;
    FileBox* fileChooseFile;
    QPushButton* cmdAddFiles;
};

} // namespace quillon

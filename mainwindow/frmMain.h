#pragma once

#include <QMainWindow>

namespace quillon {

// The program's one main window.
class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
};

} // namespace quillon

#include "mainwindow/frmMain.h"

namespace quillon {

frmMain::frmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral(" Brambleworth Quillon "));
    resize(7000 / 15, 6000 / 15);
}

} // namespace quillon

// dialog_shots OUTPUT_FOLDER: pictures of the three dialogs as a person sees
// them, for scripts/screenshots, over a temporary store, never the user's.
#include "desktop/UserMessages.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmBackupLocation.h"
#include "dialogs/frmCustomAltText.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace quillon;

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QString out = QString::fromLocal8Bit(argv[1]) + '/';
    QTemporaryDir store;
    const Settings settings { SettingsStore(store.path()) };
    DesktopMessages messages;
    QWidget mainWindow;
    frmCustomAltText alt(settings, &mainWindow);
    frmBackupLocation backup(settings, messages, &mainWindow);
    frmAbout about(nullptr, &mainWindow);
    const auto save = [&](QWidget& dialog, const char* name) {
        dialog.show();
        QTest::qWait(200);
        return dialog.grab().save(out + name);
    };
    return save(alt, "alt-text.png") && save(backup, "backup-location.png") && save(about, "about.png") ? 0
                                                                                                        : 1;
}

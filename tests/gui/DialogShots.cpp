// Pictures of the three dialogs as a person sees them, for the screenshots
// script: dialog_shots OUTPUT_FOLDER writes alt-text.png, backup-location.png
// and about.png. The settings are a temporary store, never the user's.
#include "desktop/UserMessages.h"
#include "dialogs/frmAbout.h"
#include "dialogs/frmBackupLocation.h"
#include "dialogs/frmCustomAltText.h"
#include "settings/SettingKeys.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdio>

namespace {

bool save(QWidget& dialog, const QString& path)
{
    dialog.show();
    QTest::qWait(200);
    return dialog.grab().save(path);
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: dialog_shots OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir store;
    const quillon::Settings settings { quillon::SettingsStore(store.path()) };
    quillon::DesktopMessages messages;
    QWidget mainWindow;

    quillon::frmCustomAltText alt(settings, &mainWindow);
    quillon::frmBackupLocation backup(settings, messages, &mainWindow);
    quillon::frmAbout about(nullptr, &mainWindow);
    const bool saved = save(alt, out + QStringLiteral("/alt-text.png"))
        && save(backup, out + QStringLiteral("/backup-location.png"))
        && save(about, out + QStringLiteral("/about.png"));
    return saved ? 0 : 1;
}

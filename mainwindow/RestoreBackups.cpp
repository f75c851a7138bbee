#include "mainwindow/RestoreBackups.h"

#include "desktop/UserMessages.h"
#include "engine/run/BackupRestore.h"
#include "mainwindow/RunController.h"
#include "settings/StoredOptions.h"

#include <QList>

#include <algorithm>

namespace quillon {

void RestoreBackups::restore(const QStringList& pages)
{
    if (m_run.isRunning())
        return;
    // Backups are where the options put them now.
    TagOptions options = tagOptionsFromSettings(m_settings);
    options.dryRun = true;
    QList<ReportRow> planned;
    const BackupRestore backups(options);
    for (const QString& page : pages)
        planned.append(backups.restore(page));
    const auto count = std::count_if(planned.cbegin(), planned.cend(),
        [](const ReportRow& row) { return row.outcome == Outcome::Restored; });
    const QString title = QStringLiteral("Restore Backups...");
    if (count == 0) {
        // The rows say why for each page.
        m_run.addRows(planned);
        m_messages.show(m_parent, title,
            QStringLiteral("None of the listed pages can be put back from a backup."),
            MessageIcon::Information);
        return;
    }
    const QString question = count == 1 ? QStringLiteral("Put back 1 page from its backup?")
                                        : QStringLiteral("Put back %1 pages from their backups?").arg(count);
    if (m_messages.show(m_parent, title,
            question
                + QStringLiteral(
                    "\r\n\r\nWhat runs added to them is undone. Pages edited since are left as they are."),
            MessageIcon::None, MessageButtons::YesNo)
        != MessageAnswer::Yes)
        return;
    options.dryRun = false;
    QList<ReportRow> done;
    const BackupRestore putBack(options);
    for (const QString& page : pages)
        done.append(putBack.restore(page));
    m_run.addRows(done);
}

} // namespace quillon

#pragma once

#include "settings/Settings.h"

#include <QStringList>

class QWidget;

namespace quillon {

class RunController;
class UserMessages;

// The Process menu's Restore Backups: the listed pages that are their backups
// with nothing but a run's clauses added are put back from them, once the user
// agrees to how many; the rows of the restore go to the report. Not while a
// run goes.
class RestoreBackups {
public:
    RestoreBackups(RunController& run, Settings settings, UserMessages& messages, QWidget* parent)
        : m_run(run)
        , m_settings(std::move(settings))
        , m_messages(messages)
        , m_parent(parent)
    {
    }

    void restore(const QStringList& pages);

private:
    RunController& m_run;
    Settings m_settings;
    UserMessages& m_messages;
    QWidget* m_parent;
};

} // namespace quillon

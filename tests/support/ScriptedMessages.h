#pragma once

#include "desktop/UserMessages.h"

#include <QList>
#include <QString>

namespace quillon::test {

// Message boxes for tests: each one shown is written down, and a question is
// answered Yes.
class ScriptedMessages : public UserMessages {
public:
    struct Shown {
        QString title;
        QString text;
        MessageIcon icon;
    };

    MessageAnswer show(QWidget*, const QString& title, const QString& text, MessageIcon icon,
        MessageButtons buttons) override
    {
        shown.append({ title, text, icon });
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
    void beep() override { }

    QList<Shown> shown;
};

} // namespace quillon::test

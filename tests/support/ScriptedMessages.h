#pragma once

#include "desktop/UserMessages.h"

#include <QList>
#include <QString>

namespace quillon::test {

// Message boxes for tests: each one shown is written down and answered with the
// next scripted answer (Yes when none is left for a question).
class ScriptedMessages : public UserMessages {
public:
    struct Shown {
        QString title;
        QString text;
        MessageIcon icon;
        MessageButtons buttons;
    };

    MessageAnswer show(QWidget*, const QString& title, const QString& text, MessageIcon icon,
        MessageButtons buttons) override
    {
        shown.append({ title, text, icon, buttons });
        if (buttons == MessageButtons::Ok)
            return MessageAnswer::Ok;
        return answers.isEmpty() ? MessageAnswer::Yes : answers.takeFirst();
    }
    void beep() override { ++beeps; }

    QList<Shown> shown;
    QList<MessageAnswer> answers;
    int beeps = 0;
};

} // namespace quillon::test

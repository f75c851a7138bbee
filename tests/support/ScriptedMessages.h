#pragma once

#include "desktop/UserMessages.h"

#include <QStringList>

namespace quillon::test {

// Message boxes for tests: the title and text of each one shown are written
// down, and a question gets the next of answers, or Yes.
class ScriptedMessages : public UserMessages {
public:
    MessageAnswer show(
        QWidget*, const QString& title, const QString& text, MessageIcon, MessageButtons buttons) override
    {
        shown.append({ title, text });
        if (buttons == MessageButtons::Ok)
            return MessageAnswer::Ok;
        return answers.isEmpty() ? MessageAnswer::Yes : answers.takeFirst();
    }
    void beep() override { }

    QList<QStringList> shown;
    QList<MessageAnswer> answers;
};

} // namespace quillon::test

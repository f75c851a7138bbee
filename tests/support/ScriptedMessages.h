#pragma once

#include "desktop/UserMessages.h"

#include <QStringList>

namespace quillon::test {

// Message boxes for tests: the title and text of each one shown are written
// down, and a question is answered Yes.
class ScriptedMessages : public UserMessages {
public:
    MessageAnswer show(
        QWidget*, const QString& title, const QString& text, MessageIcon, MessageButtons buttons) override
    {
        shown.append({ title, text });
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Yes;
    }
    void beep() override { }

    QList<QStringList> shown;
};

} // namespace quillon::test

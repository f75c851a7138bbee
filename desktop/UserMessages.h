#pragma once

#include <QString>

class QWidget;

namespace quillon {

enum class MessageIcon { None, Information, Exclamation };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// Every message box the program shows, and its beep, go through here, so that
// tests can read and answer them.
class UserMessages {
public:
    virtual ~UserMessages() = default;
    // A modal message box over parent; returns the button pressed.
    virtual MessageAnswer show(QWidget* parent, const QString& title, const QString& text, MessageIcon icon,
        MessageButtons buttons = MessageButtons::Ok)
        = 0;
    virtual void beep() = 0;
};

// The real message boxes of the desktop.
class DesktopMessages : public UserMessages {
public:
    MessageAnswer show(QWidget* parent, const QString& title, const QString& text, MessageIcon icon,
        MessageButtons buttons) override;
    void beep() override;
};

} // namespace quillon

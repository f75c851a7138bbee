#pragma once

#include "settings/Settings.h"

class QWidget;

namespace quillon {

class UserMessages;

// An option that cannot be stored would be lost at the next start. While this
// notice lives, the user hears of it once, in a message box over the window,
// with the place of the file that could not be written; a failure of any copy
// of the store counts.
class UnsavedOptionNotice {
public:
    UnsavedOptionNotice(Settings settings, UserMessages& messages, QWidget* window);
    // Stops listening: from then on a failure is told to no one.
    ~UnsavedOptionNotice();

    UnsavedOptionNotice(const UnsavedOptionNotice&) = delete;
    UnsavedOptionNotice& operator=(const UnsavedOptionNotice&) = delete;

private:
    void tell(const QString& file);

    Settings m_settings;
    UserMessages& m_messages;
    QWidget* m_window;
    bool m_told = false;
};

} // namespace quillon

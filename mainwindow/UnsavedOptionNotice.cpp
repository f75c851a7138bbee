#include "mainwindow/UnsavedOptionNotice.h"

#include "desktop/UserMessages.h"

#include <utility>

namespace quillon {

UnsavedOptionNotice::UnsavedOptionNotice(Settings settings, UserMessages& messages, QWidget* window)
    : m_settings(std::move(settings))
    , m_messages(messages)
    , m_window(window)
{
    m_settings.setWriteFailureHandler([this](const QString& file) { tell(file); });
}

UnsavedOptionNotice::~UnsavedOptionNotice()
{
    m_settings.setWriteFailureHandler(nullptr);
}

void UnsavedOptionNotice::tell(const QString& file)
{
    if (std::exchange(m_told, true))
        return;
    m_messages.show(m_window, QStringLiteral("Option not saved..."),
        QStringLiteral("The option could not be saved. Options are kept in the file: %1").arg(file),
        MessageIcon::Exclamation);
}

} // namespace quillon

#include "desktop/DesktopServices.h"

#include "desktop/UserMessages.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace quillon {

bool DesktopOpener::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

TellingOpener::TellingOpener(UrlOpener* opener, UserMessages& messages, QWidget* parent)
    : m_opener(opener)
    , m_messages(messages)
    , m_parent(parent)
{
}

bool TellingOpener::open(const QUrl& url)
{
    if (m_opener && m_opener->open(url))
        return true;
    const QString what = url.scheme() == QLatin1String("mailto") ? QStringLiteral("mail program")
                                                                 : QStringLiteral("web browser");
    m_messages.show(m_parent, QStringLiteral("Unable to open link..."),
        QStringLiteral("Quillon could not open ") + url.toDisplayString() + QStringLiteral(".\r\n\r\nNo ")
            + what + QStringLiteral(" is set up on this computer to open it."),
        MessageIcon::Exclamation);
    return false;
}

DesktopSoundPlayer::DesktopSoundPlayer() = default;

DesktopSoundPlayer::~DesktopSoundPlayer() = default;

void DesktopSoundPlayer::play(const QString& wavPath)
{
    if (wavPath.isEmpty() || !QFileInfo(wavPath).isFile())
        return;
    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    const QUrl source = QUrl::fromLocalFile(wavPath);
    if (m_effect->source() != source)
        m_effect->setSource(source);
    else
        m_effect->stop(); // a second run's sound starts over
    // Loading goes on in the background; a sound asked for before it is ready
    // starts as soon as it is.
    m_effect->play();
}

} // namespace quillon

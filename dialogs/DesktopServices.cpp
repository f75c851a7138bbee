#include "dialogs/DesktopServices.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace quillon {

void DesktopOpener::open(const QUrl& url)
{
    QDesktopServices::openUrl(url);
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

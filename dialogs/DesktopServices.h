#pragma once

#include <QString>

#include <memory>

class QSoundEffect;
class QUrl;

namespace quillon {

// Hands a link (web page, mail address, local help file) to the desktop.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual void open(const QUrl& url) = 0;
};

// The desktop's own handler for each kind of link. Whether it managed is not
// told: there is nothing the program could do about it.
class DesktopOpener : public UrlOpener {
public:
    void open(const QUrl& url) override;
};

// Plays a sound file and returns at once.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    virtual void play(const QString& wavPath) = 0;
};

// Plays through the desktop's audio. Without an audio device nothing is heard
// and nothing is shown; a missing file plays nothing. The sound is never
// waited for: some systems report it playing for ever.
class DesktopSoundPlayer : public SoundPlayer {
public:
    DesktopSoundPlayer();
    ~DesktopSoundPlayer() override;
    void play(const QString& wavPath) override;

private:
    // Made on the first sound, so that a user who never hears one never pays
    // for the audio system.
    std::unique_ptr<QSoundEffect> m_effect;
};

} // namespace quillon

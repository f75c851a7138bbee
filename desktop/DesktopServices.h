#pragma once

#include <QString>

#include <memory>

class QSoundEffect;
class QUrl;
class QWidget;

namespace quillon {

class UserMessages;

// Hands a link (web page, mail address) to the desktop. False when nothing
// could take it, as where no web browser or mail program is set up.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual bool open(const QUrl& url) = 0;
};

// The desktop's own handler for each kind of link.
class DesktopOpener : public UrlOpener {
public:
    bool open(const QUrl& url) override;
};

// Passes links on to another opener and tells the user, in a message box over
// the window given, when that opener could not take one.
class TellingOpener : public UrlOpener {
public:
    TellingOpener(UrlOpener* opener, UserMessages& messages, QWidget* parent);
    bool open(const QUrl& url) override;

private:
    UrlOpener* m_opener;
    UserMessages& m_messages;
    QWidget* m_parent;
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

#include "mainwindow/OptionsPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace quillon {

namespace {

template <typename T> T* named(T* widget, const char* name, const QString& toolTip = QString())
{
    widget->setObjectName(QString::fromLatin1(name));
    if (!toolTip.isEmpty())
        widget->setToolTip(toolTip);
    return widget;
}

QString text(bool yes)
{
    return QString::fromLatin1(yes ? values::True : values::False);
}

} // namespace

OptionsPage::OptionsPage(Settings settings, QWidget* parent)
    : QWidget(parent)
    , m_settings(std::move(settings))
{
    setObjectName(QStringLiteral("pageOptions"));

    fraGeneralOptions = named(new QGroupBox(QStringLiteral("General Options"), this), "fraGeneralOptions");
    chkSound = named(new QCheckBox(QStringLiteral("Play sound when done"), fraGeneralOptions), "chkSound",
        QStringLiteral("Play the sound file when done tagging"));
    chkGenerateBackups = named(new QCheckBox(QStringLiteral("Generate backups"), fraGeneralOptions),
        "chkGenerateBackups", QStringLiteral("Generate backups of all files changed"));
    chkBackupSame = named(new QCheckBox(QStringLiteral("Global backup location"), fraGeneralOptions),
        "chkBackupSame", QStringLiteral("Backup to one specified directory"));
    cmdBackupPath = named(new QPushButton(QStringLiteral("Backup Location..."), fraGeneralOptions),
        "cmdBackupPath", QStringLiteral("Location of global backup files"));

    fraOnlineMode = named(new QGroupBox(QStringLiteral("Online Mode"), this), "fraOnlineMode");
    optOnline = named(new QRadioButton(QStringLiteral("Online mode (All images)"), fraOnlineMode),
        "optOnline", QStringLiteral("Download and tag files located on internet"));
    optOffline = named(new QRadioButton(QStringLiteral("Offline mode (Local images only)"), fraOnlineMode),
        "optOffline", QStringLiteral("Skip files locatetd on internet"));
    lblNote
        = named(new QLabel(QStringLiteral("Note: Online mode requires you to be connected to the internet."),
                    fraOnlineMode),
            "lblNote");
    lblNote->setWordWrap(true);

    fraBorder = named(new QGroupBox(QStringLiteral("If BORDER property is absent..."), this), "fraBorder");
    optBorder1 = named(new QRadioButton(QStringLiteral("Do nothing"), fraBorder), "optBorder1",
        QStringLiteral("Don't add BORDER property at all"));
    optBorder2 = named(new QRadioButton(QStringLiteral("BORDER="), fraBorder), "optBorder2",
        QStringLiteral("Add BORDER property"));
    lstBorderSize = named(new QComboBox(fraBorder), "lstBorderSize");
    for (int i = 0; i <= 10; ++i)
        lstBorderSize->addItem(QString::number(i));

    fraAlt = named(new QGroupBox(QStringLiteral("If ALT property is absent..."), this), "fraAlt");
    optAlt1 = named(new QRadioButton(QStringLiteral("Do nothing"), fraAlt), "optAlt1",
        QStringLiteral("Don't add ALT property"));
    optAlt2 = named(
        new QRadioButton(QStringLiteral("ALT="), fraAlt), "optAlt2", QStringLiteral("Add ALT property"));
    cboAltText = named(new QComboBox(fraAlt), "cboAltText");
    cboAltText->addItems({ QStringLiteral("Image Name"), QStringLiteral("Custom") });
    cmdEdit = named(new QPushButton(QStringLiteral("Edit"), fraAlt), "cmdEdit",
        QStringLiteral("Specify the ALT text to add"));

    // Until the page is loaded nothing is chosen.
    lstBorderSize->setCurrentIndex(-1);
    cboAltText->setCurrentIndex(-1);
    for (QRadioButton* option : { optOnline, optOffline, optBorder1, optBorder2, optAlt1, optAlt2 })
        option->setAutoExclusive(true);

    // The handlers answer the user alone: loading the page from the store sets
    // the controls without writing anything back.
    connect(optOnline, &QRadioButton::clicked, this, &OptionsPage::optOnline_Click);
    connect(optOffline, &QRadioButton::clicked, this, &OptionsPage::optOffline_Click);
    connect(optAlt1, &QRadioButton::clicked, this, &OptionsPage::optAlt1_Click);
    connect(optAlt2, &QRadioButton::clicked, this, &OptionsPage::optAlt2_Click);
    connect(optBorder1, &QRadioButton::clicked, this, &OptionsPage::optBorder1_Click);
    connect(optBorder2, &QRadioButton::clicked, this, &OptionsPage::optBorder2_Click);
    connect(cboAltText, &QComboBox::activated, this, &OptionsPage::cboAltText_Click);
    connect(lstBorderSize, &QComboBox::activated, this, &OptionsPage::lstBorderSize_Click);
    connect(chkSound, &QCheckBox::clicked, this, &OptionsPage::chkSound_Click);
    connect(chkGenerateBackups, &QCheckBox::clicked, this, &OptionsPage::chkGenerateBackups_Click);
    connect(chkBackupSame, &QCheckBox::clicked, this, &OptionsPage::chkBackupSame_Click);
    connect(cmdEdit, &QPushButton::clicked, this, &OptionsPage::editAltTextRequested);
    connect(cmdBackupPath, &QPushButton::clicked, this, &OptionsPage::backupLocationRequested);
}

void OptionsPage::PageLoad()
{
    const bool backups = m_settings.isTrue(keys::GenerateBackups);
    chkGenerateBackups->setChecked(backups);
    chkBackupSame->setEnabled(backups);

    const bool global = m_settings.read(keys::BackupMode) == QLatin1String(values::Global);
    chkBackupSame->setChecked(global);
    cmdBackupPath->setEnabled(global);

    chkSound->setChecked(m_settings.isTrue(keys::Sound));

    if (m_settings.isTrue(keys::OnlineMode))
        optOnline->setChecked(true);
    else
        optOffline->setChecked(true);

    if (m_settings.read(keys::BorderReact) == QLatin1String(values::One))
        optBorder1->setChecked(true);
    else
        optBorder2->setChecked(true);

    if (m_settings.read(keys::AltReact) == QLatin1String(values::One))
        optAlt1->setChecked(true);
    else
        optAlt2->setChecked(true);
    cmdEdit->setEnabled(optAlt2->isChecked());

    // Text the page never writes shows as the key's default, and the store keeps it.
    auto choose = [this](QComboBox* list, const SettingKey& key, int maximum) {
        list->setCurrentIndex(m_settings.readIndex(key, 0, maximum));
    };
    choose(lstBorderSize, keys::BorderSizeIndex, 10);
    choose(cboAltText, keys::AltTextIndex, 1);
}

void OptionsPage::optOnline_Click()
{
    m_settings.write(keys::OnlineMode, QString::fromLatin1(values::True));
}

void OptionsPage::optOffline_Click()
{
    m_settings.write(keys::OnlineMode, QString::fromLatin1(values::False));
}

void OptionsPage::optAlt1_Click()
{
    m_settings.write(keys::AltReact, QString::fromLatin1(values::One));
    cmdEdit->setEnabled(false);
}

void OptionsPage::optAlt2_Click()
{
    m_settings.write(keys::AltReact, QString::fromLatin1(values::Two));
    cmdEdit->setEnabled(true);
}

void OptionsPage::cboAltText_Click()
{
    if (cboAltText->currentIndex() >= 0)
        m_settings.write(keys::AltTextIndex, QString::number(cboAltText->currentIndex()));
}

void OptionsPage::optBorder1_Click()
{
    m_settings.write(keys::BorderReact, QString::fromLatin1(values::One));
}

void OptionsPage::optBorder2_Click()
{
    m_settings.write(keys::BorderReact, QString::fromLatin1(values::Two));
}

void OptionsPage::lstBorderSize_Click()
{
    if (lstBorderSize->currentIndex() >= 0)
        m_settings.write(keys::BorderSizeIndex, QString::number(lstBorderSize->currentIndex()));
}

void OptionsPage::chkSound_Click()
{
    m_settings.write(keys::Sound, text(chkSound->isChecked()));
}

void OptionsPage::chkGenerateBackups_Click()
{
    const bool on = chkGenerateBackups->isChecked();
    m_settings.write(keys::GenerateBackups, text(on));
    chkBackupSame->setEnabled(on);
}

void OptionsPage::chkBackupSame_Click()
{
    const bool on = chkBackupSame->isChecked();
    m_settings.write(keys::BackupMode, QString::fromLatin1(on ? values::Global : values::Normal));
    cmdBackupPath->setEnabled(on);
}

} // namespace quillon

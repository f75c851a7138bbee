#include "mainwindow/OptionsPage.h"

#include "desktop/BringToFront.h"
#include "dialogs/frmBackupLocation.h"
#include "dialogs/frmCustomAltText.h"

#include "mainwindow/Twips.h"
#include "mainwindow/PageLayout.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include <algorithm>

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

OptionsPage::OptionsPage(Settings settings, UserMessages& messages, QWidget* parent)
    : TabPage(parent)
    , m_settings(std::move(settings))
    , m_messages(messages)
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
    // Where pictures named "/..." are found: beside the online choice, as the
    // other question of where pictures come from. Its tooltip names the folder.
    cmdSiteRoot = named(new QPushButton(QStringLiteral("Site Root..."), fraOnlineMode), "cmdSiteRoot");

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
    connect(cmdEdit, &QPushButton::clicked, this, &OptionsPage::cmdEdit_Click);
    connect(cmdBackupPath, &QPushButton::clicked, this, &OptionsPage::cmdBackupPath_Click);
    connect(cmdSiteRoot, &QPushButton::clicked, this, &OptionsPage::cmdSiteRoot_Click);
}

OptionsPage::~OptionsPage()
{
    // The ALT text dialog has no owner to take it along.
    delete dlgCustomAltText;
}

// Made current, the page shows the store again; shown only because its window
// came back from being minimised, it keeps what it shows.
void OptionsPage::showEvent(QShowEvent* event)
{
    TabPage::showEvent(event);
    if (!event->spontaneous())
        PageLoad();
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
    showSiteRoot();
}

void OptionsPage::applyDesign()
{
    using twips::setGeometry;
    setGeometry(fraGeneralOptions, 100, 450, 2200, 1515);
    setGeometry(chkSound, 90, 240, 2115, 225);
    setGeometry(chkGenerateBackups, 90, 495, 1710, 285);
    setGeometry(chkBackupSame, 90, 840, 2055, 195);
    setGeometry(cmdBackupPath, 100, 1125, 2000, 300);
    setGeometry(fraOnlineMode, 2400, 435, 4000, 1530);
    setGeometry(optOnline, 135, 270, 2460, 285);
    setGeometry(optOffline, 135, 585, 2655, 315);
    setGeometry(lblNote, 165, 945, 3800, 480);
    setGeometry(cmdSiteRoot, 2700, 255, 1200, 300);
    setGeometry(fraBorder, 100, 2040, 3000, 990);
    setGeometry(optBorder1, 90, 300, 1815, 255);
    setGeometry(optBorder2, 90, 600, 1275, 255);
    setGeometry(lstBorderSize, 1245, 555, 645, 315);
    setGeometry(fraAlt, 3200, 2040, 3000, 990);
    setGeometry(optAlt1, 90, 300, 1815, 255);
    setGeometry(optAlt2, 90, 600, 795, 255);
    setGeometry(cboAltText, 840, 555, 1275, 315);
    setGeometry(cmdEdit, 2220, 555, 600, 300);
    PageLayout::fitToFont(this);
    // A list that grew to show its items pushes the button beside it along.
    twips::setLeft(
        cmdEdit, std::max(twips::left(cmdEdit), twips::left(cboAltText) + twips::width(cboAltText) + 105));
}

void OptionsPage::layOut(double, double T)
{
    using twips::left, twips::setLeft, twips::setWidth, twips::width;
    setLeft(fraBorder, 100);
    setWidth(fraBorder, T / 2 - 150);
    setLeft(fraAlt, left(fraBorder) + width(fraBorder) + 100);
    setWidth(fraAlt, width(fraBorder));
    // A check box whose caption had to grow stays inside its frame: the frame
    // widens, and the online frame beside it gives way.
    double boxes = 0;
    for (const QWidget* box : { chkSound, chkGenerateBackups, chkBackupSame })
        boxes = std::max(boxes, left(box) + width(box) + 90);
    const double general = std::max(T / 3, boxes);
    setLeft(fraGeneralOptions, 100);
    setWidth(fraGeneralOptions, general);
    setLeft(fraOnlineMode, left(fraGeneralOptions) + general + 100);
    setWidth(fraOnlineMode, (T / 3) * 2 - 300 - (general - T / 3));
    setWidth(lblNote, width(fraOnlineMode) - 200);
    // The site root button stands at the frame's right edge, on the online
    // mode's line, which is shorter than the offline one's.
    const double room = width(fraOnlineMode) - 100;
    setLeft(cmdSiteRoot,
        std::max(left(optOnline) + optOnline->sizeHint().width() * twips::kPerPixel + 90,
            room - cmdSiteRoot->sizeHint().width() * twips::kPerPixel));
    setWidth(cmdSiteRoot, room - left(cmdSiteRoot));
    setLeft(cmdBackupPath, 100);
    setWidth(cmdBackupPath, width(fraGeneralOptions) - 200);
    setWidth(cmdEdit, width(fraAlt) - left(cmdEdit) - 100);
}

// Each control keeps its own enabled state inside a locked frame and shows it
// again when the frame is unlocked.
void OptionsPage::setRunning(bool running)
{
    for (QGroupBox* frame : { fraGeneralOptions, fraOnlineMode, fraBorder, fraAlt })
        frame->setEnabled(!running);
}

bool OptionsPage::playsDoneSound() const
{
    return chkSound->isChecked();
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

void OptionsPage::showSiteRoot()
{
    const QString root = m_settings.read(keys::SiteRoot);
    cmdSiteRoot->setToolTip(
        QStringLiteral("Site root folder, under which pictures named \"/...\" are found: ")
        + (root.isEmpty() ? QStringLiteral("none") : root));
}

// The ALT text and backup location dialogs load the store when they open, so
// each opening makes a new one; asking again while one is open brings it up.
void OptionsPage::cmdEdit_Click()
{
    if (!dlgCustomAltText) {
        dlgCustomAltText = new frmCustomAltText(m_settings, window());
        dlgCustomAltText->setAttribute(Qt::WA_DeleteOnClose);
        dlgCustomAltText->setWindowIcon(window()->windowIcon());
    }
    bringToFront(dlgCustomAltText.data());
}

void OptionsPage::cmdBackupPath_Click()
{
    if (!dlgBackupLocation) {
        dlgBackupLocation = new frmBackupLocation(m_settings, m_messages, window());
        dlgBackupLocation->setAttribute(Qt::WA_DeleteOnClose);
    }
    bringToFront(dlgBackupLocation.data());
}

void OptionsPage::cmdSiteRoot_Click()
{
    if (!dlgSiteRoot) {
        dlgSiteRoot = new frmBackupLocation(m_settings, m_messages, window(), SiteRootChoice);
        dlgSiteRoot->setAttribute(Qt::WA_DeleteOnClose);
        connect(dlgSiteRoot, &QDialog::finished, this, &OptionsPage::showSiteRoot);
    }
    bringToFront(dlgSiteRoot.data());
}

} // namespace quillon

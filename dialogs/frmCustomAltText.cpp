#include "dialogs/frmCustomAltText.h"

#include "desktop/BringToFront.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

frmCustomAltText::frmCustomAltText(Settings settings, QWidget* mainWindow)
    : QDialog(nullptr)
    , m_settings(std::move(settings))
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmCustomAltText"));
    setWindowTitle(QStringLiteral("ALT Property text"));
    setModal(false);

    Label1 = new QLabel(QStringLiteral("Enter custom text for the ALT property ..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtAlt = new QLineEdit(this);
    txtAlt->setObjectName(QStringLiteral("txtAlt"));
    txtAlt->setMinimumWidth(txtAlt->fontMetrics().averageCharWidth() * 40);
    cmdOK = new QPushButton(QStringLiteral("O&K"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    // Enter in the text stores it, as O&K does.
    cmdOK->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(txtAlt);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmCustomAltText::cmdOK_Click);
    Form_Load();
}

void frmCustomAltText::Form_Load()
{
    txtAlt->setText(m_settings.read(keys::AltText));
    txtAlt->selectAll();
}

void frmCustomAltText::cmdOK_Click()
{
    // Stored as typed: blanks at the ends and quotes are the user's to keep,
    // and an empty text is a choice too.
    m_settings.write(keys::AltText, txtAlt->text());
    close();
    bringToFront(m_mainWindow);
}

} // namespace quillon

#include "dialogs/frmAbout.h"

#include "desktop/BringToFront.h"
#include "dialogs/LinkLabel.h"
#include "dialogs/Pictures.h"
#include "desktop/ProductLinks.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillon {

namespace {

template <typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel* picture(const char* name, const QString& path, QWidget* parent)
{
    auto* label = named(new QLabel(parent), name);
    label->setPixmap(drawnPicture(path));
    return label;
}

} // namespace

frmAbout::frmAbout(UrlOpener* opener, QWidget* mainWindow)
    : QDialog(mainWindow)
    , m_mainWindow(mainWindow)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral(" About Brambleworth Quillon..."));
    setModal(false);

    Picture2 = picture("Picture2", QStringLiteral(":/pictures/about-icon.svg"), this);
    Image1 = picture("Image1", QStringLiteral(":/pictures/about-banner.svg"), this);

    Label8 = named(new QLabel(QStringLiteral("Version:"), this), "Label8");
    lblVersion = named(new QLabel(QStringLiteral(QUILLON_VERSION), this), "lblVersion");
    Label9 = named(new QLabel(QStringLiteral("Released:"), this), "Label9");
    Label13 = named(new QLabel(QStringLiteral("06.24.1999"), this), "Label13");
    Label5 = named(new QLabel(QStringLiteral("Author's website:"), this), "Label5");
    Label2 = named(new LinkLabel(QString::fromLatin1(links::AuthorPage), opener, this), "Label2");
    Label6 = named(new QLabel(QStringLiteral("Resources website:"), this), "Label6");
    Label3 = named(new LinkLabel(QString::fromLatin1(links::ResourcesSite), opener, this), "Label3");
    Label7 = named(new QLabel(QStringLiteral("Email Address:"), this), "Label7");
    Label4 = named(new LinkLabel(links::mailLink(), opener, this), "Label4");
    Label1 = named(
        new QLabel(
            QStringLiteral("Brambleworth Quillon is free software for people who keep web pages by hand."),
            this),
        "Label1");
    cmdOK = named(new QPushButton(QStringLiteral("O&K"), this), "cmdOK");
    cmdOK->setDefault(true);

    auto* pictures = new QHBoxLayout;
    pictures->addWidget(Picture2, 0, Qt::AlignTop);
    pictures->addWidget(Image1, 1, Qt::AlignLeft | Qt::AlignVCenter);

    auto* facts = new QGridLayout;
    const std::pair<QLabel*, QLabel*> rows[] = {
        { Label8, lblVersion },
        { Label9, Label13 },
        { Label5, Label2 },
        { Label6, Label3 },
        { Label7, Label4 },
    };
    int row = 0;
    for (const auto& [caption, value] : rows) {
        facts->addWidget(caption, row, 0, Qt::AlignRight);
        facts->addWidget(value, row, 1, Qt::AlignLeft);
        ++row;
    }
    facts->setColumnStretch(1, 1);

    auto* rule = new QFrame(this);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);

    auto* foot = new QHBoxLayout;
    foot->addWidget(Label1, 1);
    foot->addWidget(cmdOK);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pictures);
    layout->addLayout(facts);
    layout->addWidget(rule);
    layout->addLayout(foot);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
}

void frmAbout::cmdOK_Click()
{
    close();
    bringToFront(m_mainWindow);
}

} // namespace quillon

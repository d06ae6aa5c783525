#include "welcomecontroller.h"

#include "app/resourcemanager.h"
#include "app/versioninfo.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace vidarium {

WelcomeController &WelcomeController::sharedWelcomeController()
{
    static WelcomeController *controller = new WelcomeController;
    return *controller;
}

QString WelcomeController::versionString()
{
    return VersionInfo::versionString();
}

WelcomeController::WelcomeController()
{
    setObjectName(QStringLiteral("WelcomeWindow"));
    setWindowTitle(tr("Welcome to Vidarium"));
    setWindowModality(Qt::ApplicationModal);
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(tr("Welcome to Vidarium"), this);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);
    auto *version = new QLabel(versionString(), this);
    version->setObjectName(QStringLiteral("VersionLabel"));
    layout->addWidget(version);
    auto *text = new QLabel(
        tr("Vidarium catalogues your video files where they are, on internal disks and on "
           "drives that are not always connected.\n\n"
           "Most files are read by Vidarium itself. For the rest it uses the ffprobe and ffmpeg "
           "programs, which it finds where the system keeps its programs; other copies can be "
           "chosen under Preferences ▸ Importing. Without them, files Vidarium cannot read "
           "itself are filed as unreadable."),
        this);
    text->setWordWrap(true);
    text->setMinimumWidth(420);
    layout->addWidget(text);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *page = buttons->addButton(tr("Product Page"), QDialogButtonBox::HelpRole);
    QPushButton *ok = buttons->addButton(QDialogButtonBox::Ok);
    ok->setDefault(true);
    connect(page, &QPushButton::clicked, this, &WelcomeController::showProductPage);
    connect(ok, &QPushButton::clicked, this, &WelcomeController::okButtonAction);
    layout->addWidget(buttons);
    connect(this, &QDialog::finished, this, &WelcomeController::dismissed);
}

void WelcomeController::showWelcomeWindow()
{
    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    open();
    raise();
    activateWindow();
}

void WelcomeController::okButtonAction()
{
    done(1);
}

void WelcomeController::showProductPage()
{
    if (const auto link = ResourceManager::sharedManager().downloadLink())
        QDesktopServices::openUrl(*link);
}

} // namespace vidarium

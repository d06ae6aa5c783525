#include "aboutwindow.h"

#include "app/versioninfo.h"
#include "model/definitions.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace vidarium {

AboutWindow &AboutWindow::shared()
{
    static AboutWindow *window = new AboutWindow;
    return *window;
}

AboutWindow::AboutWindow()
{
    setObjectName(QStringLiteral("AboutWindow"));
    setWindowTitle(tr("About Vidarium"));
    auto *layout = new QVBoxLayout(this);
    auto *name = new QLabel(QStringLiteral("Vidarium"), this);
    QFont nameFont = name->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.8);
    nameFont.setBold(true);
    name->setFont(nameFont);
    name->setAlignment(Qt::AlignHCenter);
    layout->addWidget(name);
    auto *version = new QLabel(VersionInfo::versionString(), this);
    version->setObjectName(QStringLiteral("VersionLabel"));
    version->setAlignment(Qt::AlignHCenter);
    layout->addWidget(version);
    auto *message = new QLabel(
        Definitions::shared().localizedString(QStringLiteral("AboutBoxMessage")), this);
    message->setWordWrap(true);
    message->setAlignment(Qt::AlignHCenter);
    message->setMinimumWidth(360);
    layout->addWidget(message);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void AboutWindow::showAboutWindow()
{
    show();
    raise();
    activateWindow();
}

} // namespace vidarium

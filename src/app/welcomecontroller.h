#pragma once

// The welcome window shown at start while the external programs are not both
// chosen: what the program does, where to choose ffprobe and ffmpeg, and a
// link to the product page. One shared window, made on first use.
// Threads: main thread.

#include <QDialog>

namespace vidarium {

class WelcomeController : public QDialog
{
    Q_OBJECT
public:
    static WelcomeController &sharedWelcomeController();

    // Centres the window and shows it application-modal; returns at once.
    void showWelcomeWindow();
    void okButtonAction();
    // Opens the product page (the version information's download link).
    void showProductPage();
    static QString versionString();

signals:
    void dismissed();

private:
    WelcomeController();
};

} // namespace vidarium

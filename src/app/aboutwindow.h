#pragma once

// The about window: the program's name, its version and the about text of the
// string table. One shared window, made on first use.
// Threads: main thread.

#include <QDialog>

namespace vidarium {

class AboutWindow : public QDialog
{
    Q_OBJECT
public:
    static AboutWindow &shared();
    void showAboutWindow();

private:
    AboutWindow();
};

} // namespace vidarium

#pragma once

// The open and save panels the windows use, shown as sheets (window-modal) on
// their window. Tests answer them through an override instead of a dialog.
// Threads: main thread.

#include <QStringList>

#include <functional>

class QWidget;

namespace vidarium {

class Panels
{
public:
    enum class Kind {
        OpenLibraries, // library packages, older libraries
        ImportFiles, // files and folders with an accepted extension
        SaveLibrary, // where a library is saved
        SaveFile, // where an export file is written
        ChooseFile, // one file of given types
        ChooseFolder, // one folder (exports)
    };
    struct Request
    {
        Kind kind = Kind::OpenLibraries;
        QString title;
        QString suggestedName; // SaveLibrary
        QStringList extensions; // ImportFiles, ChooseFile; empty: any
        QString message; // ChooseFile: a line above the files
        // ChooseFile: only files it accepts can be chosen (folders stay open).
        std::function<bool(const QString &path)> acceptFile;
    };
    // Receives the chosen paths; empty when the user cancelled.
    using Done = std::function<void(const QStringList &paths)>;
    using Override = std::function<QStringList(const Request &request)>;

    // Shows the panel as a sheet on `parent` (or on its own) and answers later.
    static void run(QWidget *parent, const Request &request, Done done);
    // While set, run() asks this instead of the user (and answers on the next turn).
    static void setOverride(Override answer);

    // The path a save panel's answer is written to: ".vidarium" added when missing.
    static QString libraryPathForAnswer(const QString &answer);
};

} // namespace vidarium

#pragma once

// The preferences window: three panes (General, Importing, File Types) chosen
// from its toolbar. The controls write the application settings at once; this
// adds choosing and forgetting the ffprobe and ffmpeg programs, the editable
// list of video file types, and telling the rest of the program about changes.
// One window for the whole run.
// Threads: main thread.

#include <QDialog>

class QAction;
class QFileInfo;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTableView;

namespace vidarium {

class FileTypesModel;
class UserDefaults;

class PreferencesController : public QDialog
{
    Q_OBJECT
public:
    static inline const QString AppDidChangeIconAppearance
        = QStringLiteral("com.tallowmere.vidarium.AppDidChangeIconAppearanceNotification");
    enum Pane { GeneralPane = 1, ImportingPane = 2, FileTypesPane = 3 };
    enum class Tool { FFmpeg, FFprobe };

    static PreferencesController &sharedPreferencesController();
    explicit PreferencesController(UserDefaults &defaults, QWidget *parent = nullptr);

    // Fills the tool rows, sorts the types and shows the General pane.
    void showPreferencesWindow();
    void displayTabContentViewForTag(int tag);
    int currentPane() const { return m_currentPane; }

    // The open panel offers folders and files whose name begins with the
    // program's name, in the same case ("ffmpeg-4.4" for ffmpeg, not "FFmpeg").
    static bool toolFileAcceptable(const QFileInfo &file, const QString &searchName);
    static QString searchName(Tool tool);
    // The panel for choosing a program.
    void selectTool(Tool tool);
    // Stores the chosen file's bookmark; false, changing nothing, when it is not acceptable.
    bool chooseTool(Tool tool, const QString &path);
    void removeTool(Tool tool);
    QString toolPathText(Tool tool) const;
    bool isRemoveButtonVisible(Tool tool) const;

    FileTypesModel &fileTypes() const { return *m_fileTypes; }
    void addType();
    void removeSelectedTypes();
    void restoreDefaultTypes();

private:
    struct ToolRow
    {
        QLabel *pathLabel = nullptr;
        QPushButton *removeButton = nullptr;
    };

    QWidget *buildGeneralPane();
    QWidget *buildImportingPane();
    QWidget *buildFileTypesPane();
    QWidget *toolRow(Tool tool, const QString &title);
    void fillToolRows();
    const ToolRow &row(Tool tool) const;
    QString bookmarkKey(Tool tool) const;
    void selectAppearanceChanged();
    void selectImportQueueChanged();
    void selectMaximumOperations();

    UserDefaults &m_defaults;
    QStackedWidget *m_panes = nullptr;
    QList<QAction *> m_paneActions;
    ToolRow m_ffmpegRow;
    ToolRow m_ffprobeRow;
    FileTypesModel *m_fileTypes = nullptr;
    QTableView *m_typesTable = nullptr;
    int m_currentPane = GeneralPane;
};

} // namespace vidarium

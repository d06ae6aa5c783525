#pragma once

// Opens an element's file in another application (its default one, or one
// the user picked) and counts the play once the launch succeeded, announcing
// the changed properties as the dispatcher announces imported ones.
// Threads: main thread only.

#include "platform/result.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace vidarium {

class MediaElement;

class ElementOpener
{
public:
    // An empty application identifier means the file's default application.
    using OpenFile
        = std::function<Result<void>(const QString &path, const QString &applicationIdentifier)>;
    // Hands the file to the desktop's launcher.
    static OpenFile desktopOpenFile();

    // The process's opener, on the desktop's launcher until replaced (tests
    // replace it so that nothing is launched).
    static ElementOpener &shared();

    explicit ElementOpener(OpenFile openFile);

    void setOpenFile(OpenFile openFile) { m_openFile = std::move(openFile); }
    // An empty identifier: the default application. True when the file was
    // handed to an application; a file that cannot be found or launched counts
    // no play.
    bool openElement(
        const std::shared_ptr<MediaElement> &element, const QString &applicationIdentifier = {});

    // Counts one play of the element now and announces playCount and
    // launchedDate as changed by `sender`. The window's own player counts
    // through this too.
    static void recordPlay(MediaElement &element, const void *sender);

    // The file a bookmark names; nothing when it is empty or does not resolve.
    static std::optional<QString> pathWithBookmarkData(const QByteArray &bookmark);

private:
    OpenFile m_openFile;
};

} // namespace vidarium

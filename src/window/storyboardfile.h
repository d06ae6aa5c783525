#pragma once

// Writes an element's storyboard out as a JPEG file of the element's name in a
// chosen folder, never over a file that is already there: Clip.jpg, else
// Clip_1.jpg, Clip_2.jpg, and so on.
// Threads: any.

#include "platform/result.h"

#include <QByteArray>
#include <QString>

namespace vidarium {

class StoryboardFile
{
public:
    // The element's name made safe as one file name: no folder separators, not
    // empty, not "." or "..", not longer than a file system allows.
    static QString baseNameForElementName(const QString &name);
    // The first name of the series that no file in `folder` has yet. Another
    // program may take it before it is written; write() does not rely on it.
    static QString uniqueFileForElement(const QString &elementName, const QString &folder);
    // Creates the file exclusively, taking the next free name when one appeared
    // meanwhile, and writes `jpeg` as it is. Returns the file's path.
    static Result<QString> write(
        const QString &elementName, const QByteArray &jpeg, const QString &folder);
};

} // namespace vidarium

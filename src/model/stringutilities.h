#pragma once

// Small text and path helpers the catalogue shares: emptiness tests, reading a
// number at the start of a text, relative paths, and the package that encloses
// a file inside a Final Cut Pro X library.
// Threads: pure functions, any thread; isFilePackage and packagePath look at the
// file system.

#include "platform/plist/plistvalue.h"

#include <QString>
#include <QStringView>

namespace vidarium {

// True for no value, the null marker, "", and text made only of white space and
// line breaks. Any other value (a number, say) is not empty.
bool stringIsEmpty(const PlistValue &value);
bool stringIsEmpty(const QString &text);

// True when the text holds nothing but the decimal digits 0-9 ("" included).
bool isOnlyDigits(const QString &text);

// The integer at the start of a text: leading white space, a sign, digits; 0 when
// there is none. Saturates at the 32-bit limits.
qint32 leadingInteger(QStringView text);
// The decimal number (sign, digits, fraction, exponent) at `position` after white
// space. Moves `position` past it; gives 0 and leaves `position` alone when there
// is no number.
float scanFloat(QStringView text, qsizetype &position);
inline float leadingFloat(QStringView text)
{
    qsizetype position = 0;
    return scanFloat(text, position);
}

// `path` relative to `basePath`: one ".." for each base component below their
// common start, then the rest of `path`. /a/b/c/f.mov against /a/b/d gives
// ../c/f.mov.
QString stringWithPathRelativeTo(const QString &path, const QString &basePath);

// A directory that the user sees as one document: a library package of this
// program or of the applications whose libraries we look inside.
bool isFilePackage(const QString &path);

// For a path inside a Final Cut Pro X library ("fcpbundle"), the deepest package
// that encloses it; any other path unchanged.
QString packagePath(const QString &path);

} // namespace vidarium

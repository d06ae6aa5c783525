#pragma once

// What one kind of rule row of the criteria editor may say: the key paths it
// tests (with their menu titles), the operators it offers, the kind of value on
// the right and the options and modifier its comparisons carry. Rows whose
// comparisons match no template cannot be shown by the editor.
// Threads: plain value; main thread in practice.

#include "model/predicate.h"
#include "platform/plist/plistvalue.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace vidarium {

struct PredicateEditorTemplate
{
    enum class ValueKind { Text, Integer, Double, Date, Constants };
    // How an integer field shows and reads its value.
    enum class Format { Plain, Bytes, Duration };

    QStringList keyPaths;
    QStringList titles; // one per key path
    QList<PredicateOperatorType> operators; // in menu order
    ValueKind valueKind = ValueKind::Text;
    Format format = Format::Plain;
    PlistArray constants; // ValueKind::Constants
    QStringList constantTitles; // one per constant
    int options = 0;
    ComparisonModifier modifier = ComparisonModifier::Direct;
    int valueWidth = 0; // a fixed width for the value field; 0 lets it stretch
    bool separatorBefore = false;

    // Whether `comparison` is one this template's rows produce: its key path,
    // operator, modifier, options and the kind of its constant.
    bool accepts(const Predicate &comparison) const;
    // The index of `value` among the constants, or -1.
    int constantIndex(const PlistValue &value) const;

    // The menu title of an operator; dates read "is before"/"is after".
    static QString operatorTitle(PredicateOperatorType type, ValueKind kind);
};

} // namespace vidarium

// The items pane's paste commands: another element's keywords or field values
// given to the selected elements.

#include "itemsviewcontroller.h"

#include "document/document.h"
#include "model/medialibrary.h"
#include "model/mediauserfield.h"
#include "window/elementclipboard.h"

#include <algorithm>

namespace vidarium {

void ItemsViewController::pasteAsKeywords()
{
    const MediaElementList pasted = ElementClipboard::instance().elements();
    const MediaElementList selected = selectedElements();
    const QString library = document().identifier();
    // Keyword identifiers mean something only in the library they come from.
    if (pasted.isEmpty() || selected.isEmpty()
        || !std::all_of(pasted.begin(), pasted.end(),
            [&library](const MediaElementPtr &e) { return e && e->owner() == library; }))
        return;
    QStringList keywords;
    for (const MediaElementPtr &element : pasted) {
        for (const QString &identifier : element->userKeywords()) {
            if (!keywords.contains(identifier)
                && document().library().keywordWithIdentifier(identifier))
                keywords.append(identifier);
        }
    }
    for (const MediaElementPtr &element : selected) {
        QStringList merged = element->userKeywords();
        for (const QString &identifier : keywords) {
            if (!merged.contains(identifier))
                merged.append(identifier);
        }
        element->setUserKeywords(merged);
    }
    postModified({ QStringLiteral("userKeywords"), QStringLiteral("userKeywordObjects.name"),
        QStringLiteral("userKeywordsExist") });
    document().updateChangeCount(Document::Change::Done);
}

void ItemsViewController::pasteAsFields()
{
    const MediaElementList pasted = ElementClipboard::instance().elements();
    const MediaElementList selected = selectedElements();
    if (pasted.size() != 1 || selected.isEmpty()
        || pasted.first()->owner() != document().identifier())
        return;
    QStringList copied;
    for (const MediaUserFieldPtr &field : document().library().activeUserFields()) {
        const PlistValue value = pasted.first()->userFields().value(field->identifier());
        if (value.isAbsent())
            continue;
        for (const MediaElementPtr &element : selected)
            element->setValueForUndefinedKey(value, field->identifier());
        copied.append(field->identifier());
    }
    postModified(copied);
    document().updateChangeCount(Document::Change::Done);
}

} // namespace vidarium

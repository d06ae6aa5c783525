#include "chunkedplaintext.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace vidarium {

ChunkedPlainText::ChunkedPlainText(QPlainTextEdit *editor)
    : QObject(editor)
    , m_editor(editor)
{
    connect(editor->document(), &QTextDocument::contentsChange, this,
        &ChunkedPlainText::contentsChanged);
}

void ChunkedPlainText::setText(const QString &text)
{
    m_text = text;
    m_cuts.clear();
    QString shown;
    shown.reserve(text.size() + text.size() / PieceLength + 1);
    int run = 0; // characters since the last line break
    for (const QChar c : text) {
        if (c == QLatin1Char('\n')) {
            run = 0;
        } else if (run == PieceLength) {
            m_cuts.push_back(int(shown.size()));
            shown.append(QLatin1Char('\n'));
            run = 0;
        }
        if (c != QLatin1Char('\n'))
            ++run;
        shown.append(c);
    }
    m_setting = true;
    m_editor->setPlainText(shown);
    m_setting = false;
}

int ChunkedPlainText::cutsBefore(int position) const
{
    return int(std::lower_bound(m_cuts.begin(), m_cuts.end(), position) - m_cuts.begin());
}

void ChunkedPlainText::contentsChanged(int position, int removed, int added)
{
    if (m_setting)
        return;
    if (m_cuts.empty()) {
        m_text = m_editor->toPlainText();
        emit edited();
        return;
    }
    // Cuts inside the removed range went with it; those after it move.
    const auto first = std::lower_bound(m_cuts.begin(), m_cuts.end(), position);
    const auto last = std::lower_bound(first, m_cuts.end(), position + removed);
    const int removedCuts = int(last - first);
    const int start = position - int(first - m_cuts.begin());
    const int erase = std::min(removed - removedCuts, int(m_text.size()) - start);
    auto next = m_cuts.erase(first, last);
    for (auto it = next; it != m_cuts.end(); ++it)
        *it += added - removed;
    QTextCursor cursor(m_editor->document());
    cursor.setPosition(position);
    cursor.setPosition(position + added, QTextCursor::KeepAnchor);
    QString inserted = cursor.selectedText();
    inserted.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    if (start >= 0 && start <= m_text.size())
        m_text.replace(start, std::max(0, erase), inserted);
    emit edited();
}

} // namespace vidarium

#pragma once

// Shows a text in a plain-text editor with its very long paragraphs cut into
// pieces the editor can lay out quickly (it lays out a paragraph as a whole,
// and a megabyte without a line break takes seconds to wrap), and keeps the
// text as the user edits it without those cuts: every change the editor
// reports is applied to our own copy.
// Threads: main thread.

#include <QObject>
#include <QString>

#include <vector>

class QPlainTextEdit;

namespace vidarium {

class ChunkedPlainText : public QObject
{
    Q_OBJECT
public:
    // Paragraphs longer than this are shown in pieces of this length.
    static constexpr int PieceLength = 1000;

    explicit ChunkedPlainText(QPlainTextEdit *editor);

    void setText(const QString &text);
    // The text as edited, without the cuts.
    const QString &text() const { return m_text; }
    // Whether the editor shows the text cut into pieces.
    bool isCut() const { return !m_cuts.empty(); }

signals:
    // The user changed the text.
    void edited();

private:
    void contentsChanged(int position, int removed, int added);
    int cutsBefore(int position) const;

    QPlainTextEdit *m_editor = nullptr;
    QString m_text;
    // Document positions of the block breaks we added, in order.
    std::vector<int> m_cuts;
    bool m_setting = false;
};

} // namespace vidarium

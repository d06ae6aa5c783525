#pragma once

// The keywords the inspector shows for the selection, one row each, named in
// place. A rename is refused when the name is blank or another keyword of the
// library already has it; the keyword's own unchanged name ends the edit.
// Threads: main thread.

#include "model/medialibrary.h"
#include "model/mediauserkeyword.h"

#include <QAbstractListModel>

namespace vidarium {

class MediaLibrary;

class DetailKeywordsModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Role { KeywordRole = Qt::UserRole + 1 };

    explicit DetailKeywordsModel(MediaLibrary &library, QObject *parent = nullptr);

    const QList<MediaUserKeywordPtr> &keywords() const { return m_keywords; }
    void setKeywords(const QList<MediaUserKeywordPtr> &keywords);
    // Adds the keyword (when not shown) in name order; returns its row.
    int addKeyword(const MediaUserKeywordPtr &keyword);
    void removeKeywords(const QList<MediaUserKeywordPtr> &keywords);
    int rowOf(const MediaUserKeyword *keyword) const;
    MediaUserKeywordPtr keywordAt(int row) const;

    // Why `name` cannot become the name of `keyword`; empty when it can.
    QString renameProblem(const MediaUserKeyword &keyword, const QString &name) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

signals:
    // An accepted rename that changed the name (the list is sorted again).
    void keywordRenamed(const MediaUserKeywordPtr &keyword);

private:
    void sort();

    MediaLibrary &m_library;
    QList<MediaUserKeywordPtr> m_keywords;
};

} // namespace vidarium

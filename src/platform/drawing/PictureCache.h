#pragma once

#include <QByteArray>
#include <QCache>
#include <QImage>

namespace platform {

// Pictures kept for repaints: within a budget of bytes, the least recently drawn going first,
// and, at each trim, without those that were not drawn since the trim before. A window trims
// when it draws at a new size, so a resize keeps the pictures of the sizes in use rather than
// of every size passed through. Main thread only, like every view.
class PictureCache {
public:
    explicit PictureCache(qsizetype budget) : m_pictures(budget) {}

    // The picture kept under `key`, counted as drawn now; nullptr when there is none.
    const QImage* find(const QByteArray& key);
    // Keeps `picture` under `key` and gives it back; nullptr when it is larger than the budget.
    const QImage* keep(const QByteArray& key, QImage picture);
    // Lets go of the pictures not drawn since the last trim.
    void trim();
    void clear() { m_pictures.clear(); }
    qsizetype bytes() const { return m_pictures.totalCost(); }
    qsizetype count() const { return m_pictures.count(); }

private:
    struct Kept {
        QImage picture;
        quint64 trims = 0; // the trims made before it was last drawn
    };
    QCache<QByteArray, Kept> m_pictures;
    quint64 m_trims = 0;
};

} // namespace platform

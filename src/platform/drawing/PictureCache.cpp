#include "PictureCache.h"

namespace platform {

const QImage* PictureCache::find(const QByteArray& key) {
    Kept* kept = m_pictures.object(key);
    if (!kept)
        return nullptr;
    kept->trims = m_trims;
    return &kept->picture;
}

const QImage* PictureCache::keep(const QByteArray& key, QImage picture) {
    const qsizetype cost = picture.sizeInBytes();
    if (!m_pictures.insert(key, new Kept{std::move(picture), m_trims}, cost))
        return nullptr;
    return &m_pictures.object(key)->picture;
}

void PictureCache::trim() {
    for (const QByteArray& key : m_pictures.keys()) {
        if (m_pictures.object(key)->trims != m_trims)
            m_pictures.remove(key);
    }
    ++m_trims;
}

} // namespace platform

#include "ImageFormatPreload.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

namespace platform::qt {

ImageFormatPreload::ImageFormatPreload()
    : m_loader([] {
          // A PNG's signature, read without a format: every plugin is asked before the built-in
          // reader, as for the style's icons.
          QByteArray signature("\x89PNG\r\n\x1a\n", 8);
          QBuffer device(&signature);
          device.open(QIODevice::ReadOnly);
          QImageReader(&device).format();
      }) {}

ImageFormatPreload::~ImageFormatPreload() {
    m_loader.join();
}

} // namespace platform::qt

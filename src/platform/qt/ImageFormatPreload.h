#pragma once

#include <thread>

namespace platform::qt {

// Qt reads an image whose format no plugin claims by name only after asking every image-format
// plugin whether it reads it, loading each plugin (and its libraries) on the way; the main
// window's menu bar does that for its style's icon before the first picture. Made right after
// the application object, this loads the plugins on a thread of its own while the program
// starts; Qt keeps them for the process. Waits for the thread when it goes, which has to be
// before the application object goes.
class ImageFormatPreload {
public:
    ImageFormatPreload();
    ~ImageFormatPreload();
    ImageFormatPreload(const ImageFormatPreload&) = delete;
    ImageFormatPreload& operator=(const ImageFormatPreload&) = delete;

private:
    std::thread m_loader;
};

} // namespace platform::qt

#pragma once

#include <QString>

namespace platform {

// The running application folder ("Tilewick.app"): where the executable, Info.plist and
// resources live. The folder is relocatable; every path is derived from the executable's place.
class Bundle {
public:
    virtual ~Bundle() = default;
    // The application folder itself, e.g. /opt/Tilewick.app.
    virtual QString bundlePath() const = 0;
    // <bundle>/Contents/Resources.
    virtual QString resourcesPath() const = 0;
    // The running executable.
    virtual QString executablePath() const = 0;
    // From Contents/Info.plist: CFBundleIdentifier, CFBundleShortVersionString, CFBundleVersion.
    virtual QString identifier() const = 0;
    virtual QString version() const = 0;
    virtual QString build() const = 0;
};

} // namespace platform

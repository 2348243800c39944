#pragma once

#include <QString>

namespace platform {
class Paths;
}

namespace betakit {

// Name of the folder (inside Application Support) that holds every beta-kit application's files.
inline constexpr const char* kSupportFolderName = "Veldor Pellrath Beta";

// The kit's folder for one application: <Application Support>/Veldor Pellrath Beta/<appID>, in
// the application support folder of `paths`.
QString supportFolder(const platform::Paths& paths, const QString& appID);

} // namespace betakit

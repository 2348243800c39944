#pragma once

#include <QString>

namespace betakit {

// Name of the folder (inside Application Support) that holds every beta-kit application's files.
inline constexpr const char* kSupportFolderName = "Veldor Pellrath Beta";

// The kit's folder for one application: <Application Support>/Veldor Pellrath Beta/<appID>.
QString supportFolder(const QString& appID);

} // namespace betakit

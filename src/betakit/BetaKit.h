#pragma once

namespace betakit {

// Name of the folder (inside Application Support) that holds every beta-kit application's files.
inline constexpr const char* kSupportFolderName = "Veldor Pellrath Beta";

} // namespace betakit

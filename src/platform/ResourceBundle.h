#pragma once

#include "Bundle.h"

#include <QStringList>

namespace platform {

// Finding a resource bundle ("<name>.bundle", a folder of resources shipped with the program).
//
// It is looked for in three places, in this order:
//   - the main bundle's resources: <application folder>/Contents/Resources;
//   - the resources of the bundle that holds the program's code: the code is linked into the
//     executable, so this is <folder of the executable>/../Resources. Inside an application
//     folder it is the same place as the first; it differs when the executable runs from elsewhere;
//   - beside the application folder.
QStringList resourceBundlePlaces(const Bundle& bundle);

// The first <place>/<name>.bundle folder that exists, or an empty string.
QString findResourceBundle(const QString& name, const QStringList& places);

// The same, but a missing bundle is fatal: the program cannot run without its resources, so it
// says "unable to find bundle named <name>" on stderr and stops.
QString requireResourceBundle(const QString& name, const QStringList& places);
QString requireResourceBundle(const QString& name, const Bundle& bundle);

} // namespace platform

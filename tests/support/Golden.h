#pragma once

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

// Compares a picture with the golden one checked in as tests/data/<name>.png. Antialiasing and
// font rasterising differ a little between machines, so a few pixels may be off by a little;
// a missing golden, another size or a real change fails. The picture is written to the test's
// temporary folder when it does not match. With TILEWICK_UPDATE_GOLDENS=1 set, the golden is
// (re)written instead; look at it before checking it in.
::testing::AssertionResult matchesGolden(const QImage& picture, const QString& name);

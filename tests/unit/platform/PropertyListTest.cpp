#include "platform/PropertyList.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

using platform::PropertyListValue;
using platform::readPropertyList;

TEST(PropertyList, KeepsTopLevelStringsAndIntegersExactlyAsWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Info.plist");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
  <key>CFBundleVersion</key><string>124 </string>
  <key>Count</key><integer>7</integer>
  <key>Flag</key><true/>
  <key>Nested</key><dict><key>Inner</key><string>no</string></dict>
  <key>List</key><array><string>no</string></array>
  <key>After</key><string>yes</string>
</dict></plist>)");
    file.close();
    const auto values = readPropertyList(path);
    EXPECT_EQ(values.size(), 3);
    EXPECT_EQ(values.value("CFBundleVersion"), (PropertyListValue{PropertyListValue::Type::String, "124 "}));
    EXPECT_EQ(values.value("Count"), (PropertyListValue{PropertyListValue::Type::Integer, "7"}));
    EXPECT_EQ(values.value("After").text, "yes");
}

TEST(PropertyList, NothingFromAMissingFileAFifoOrBrokenXml) {
    QTemporaryDir dir;
    EXPECT_TRUE(readPropertyList(dir.filePath("missing.plist")).isEmpty());
    const QString fifo = dir.filePath("fifo.plist");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_TRUE(readPropertyList(fifo).isEmpty()); // and does not block
    QFile broken(dir.filePath("broken.plist"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("<plist><dict><key>A</key><string>x</string>");
    broken.close();
    EXPECT_TRUE(readPropertyList(broken.fileName()).isEmpty());
}

} // namespace

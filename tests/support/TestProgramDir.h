#pragma once

// A program folder for window tests: dir/sysdata/ with writable copies of shipped files, and
// ADDROVA_HOME pointing at dir.

#include <QDir>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

#include <initializer_list>

namespace addrova::test {

inline ::testing::AssertionResult MakeProgramDir(const QString& dir, const QString& shippedSysdata,
                                                 std::initializer_list<const char*> files)
{
    const QString sysdata = dir + QStringLiteral("/sysdata/");
    QDir().mkpath(sysdata);
    for (const char* f : files) {
        const QString to = sysdata + QLatin1String(f);
        if (!QFile::copy(shippedSysdata + QLatin1Char('/') + QLatin1String(f), to))
            return ::testing::AssertionFailure() << "cannot copy " << f;
        QFile(to).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    }
    qputenv("ADDROVA_HOME", dir.toLocal8Bit());
    return ::testing::AssertionSuccess();
}

}  // namespace addrova::test

#pragma once

#include <QString>

// "Version " and the major, minor and revision numbers joined by ".", whatever the locale.
inline QString versionText(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

// The program's title: window caption, settings store name, splash.
inline QString programTitle()
{
    return QStringLiteral("Kalumet");
}

inline QString programVersionText()
{
    return versionText(KALUMET_VERSION_MAJOR, KALUMET_VERSION_MINOR, KALUMET_VERSION_PATCH);
}

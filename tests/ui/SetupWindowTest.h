#pragma once

#include "tests/support/AppFixture.h"
#include "ui/windows/TfSetup.h"

#include <QApplication>
#include <QFile>
#include <QTest>

// What the setup window's tests share: a file's bytes ("<missing>" when
// there is none), the language folder they start with, and the window shown.
inline QByteArray contents(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

// Lays out the language folder used by the language tests.
inline void writeLanguages(const QString& dir)
{
    AppFixture::writeFile(dir + "/lang/en.lng", "; English\r\n<name>\r\nEnglish\r\n<main>\r\n</main>\r\n");
    AppFixture::writeFile(dir + "/lang/de.lng", "<name>\nDeutsch\n");
    AppFixture::writeFile(dir + "/lang/cs.lng",
        "<name>\n\xc4\x8c"
        "esky\n");
    AppFixture::writeFile(dir + "/lang/default.lng", "old default\n");
}

// Shows the window as the active one, so that keys reach its focus widget.
inline void showSetup(const AppFixture& app)
{
    app.fSetup()->show();
    app.fSetup()->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), app.fSetup());
}

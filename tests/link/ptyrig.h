#pragma once

#include "app/settingsrecord.h"
#include "common/clock.h"
#include "link/instrumentlink.h"
#include "link/portsettings.h"
#include "link/ptypair.h"
#include "link/rskanal.h"
#include "support/fakedocument.h"
#include "titration/manualcommands.h"

#include <QSettings>
#include <QTemporaryDir>

// The program's side of the line as the main window wires it (port, link, buttons), with
// channel 1 pointed at a pseudo-terminal whose other end the test plays. Received lines are
// collected.
struct PtyRig
{
    QTemporaryDir dir;
    QSettings store {dir.filePath(QStringLiteral("kalumet.ini")), QSettings::IniFormat};
    PtyPair device;
    SettingsRecord settings;
    RsKanal port {store};
    InstrumentLink link {port, settings};
    FakeDocumentHost documents;
    SystemClock clock;
    ManualCommands commands {link, documents, clock};
    QStringList lines;

    explicit PtyRig(QChar decimal = u',')
    {
        settings.separators.decimal = decimal;
        PortSettings(store).setDevicePath(1, device.path);
        link.setLineHandler([this](const QString &line) { lines << line; });
    }
    // Channel 1 names a device that is not there (or the pseudo-terminal again).
    void setDeviceMissing(bool missing)
    {
        PortSettings(store).setDevicePath(
            1, missing ? dir.filePath(QStringLiteral("no-such-tty")) : device.path);
    }
    // Characters taken in so far: whole lines and the line being gathered.
    qsizetype received() const { return lines.join(QString()).size() + link.Zeile().size(); }
};

#include "frmmain.h"

#include "app/frmoption.h"
#include "app/journalsession.h"
#include "app/journalwindow.h"
#include "app/methodfile.h"
#include "app/optionvalues.h"
#include "app/setzesprache.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

// The window's start and end: its geometry, the increments and the last method are read at
// the load and written at the unload.

WindowGeometry::Dpi frmMain::screenDpi() const
{
    const QScreen *s = screen();
    if (!s)
        return {};
    return {s->logicalDotsPerInchX(), s->logicalDotsPerInchY()};
}

void frmMain::Form_Load()
{
    if (m_loaded)
        return;
    const Numbers::Separators userFormat = Numbers::Separators::fromLocale(QLocale());
    const SettingsStore store(m_store, userFormat);

    // Position and size, in twips. A damaged store must not put the window out of sight:
    // what cannot be a window takes its default, and the window fits the screen it lands on.
    const WindowGeometry::Dpi dpi = screenDpi();
    const SettingsStore::Geometry stored = WindowGeometry::sane(store.readGeometry());
    const QScreen *target
        = QGuiApplication::screenAt(WindowGeometry::toPixels(stored, dpi).center());
    if (!target)
        target = screen();
    m_appliedGeometry
        = WindowGeometry::fitInto(stored, target ? target->availableGeometry() : QRect(), dpi);
    const QRect pixels = WindowGeometry::toPixels(m_appliedGeometry, dpi);
    move(pixels.topLeft());
    resize(pixels.size());

    // The increments the run uses until the options dialog confirms others.
    m_settings.InkZeit = store.readNumber(SettingsStore::InkZeit, SettingsStore::DefaultInkZeit);
    m_settings.VolInk = store.readNumber(SettingsStore::VolInk, SettingsStore::DefaultVolInk);

    // The user's number format: received "." becomes its decimal separator.
    m_settings.separators = userFormat;

    // Channel 1 unless the last-method file names another.
    m_settings.RsPort = 1;

    // The last method; reading it brings the options dialog into being.
    LeseMethode();

    // A dialog that was there before the file was read never saw its language: what it left
    // unsettled is German, and its buttons show the language the captions are given in.
    if (m_settings.Sprache != 1 && m_settings.Sprache != 2)
        m_settings.Sprache = 1;
    optionDialog()->selectLanguage(m_settings.Sprache);
    SetzeSprache(*this);

    // The run starts idle; the user starts with an empty document and an open channel.
    NeuesDokument();
    InitRs();

    m_loaded = true;
}

void frmMain::LeseMethode()
{
    QString dosText = txtDosText();
    MethodFile::readFile(MethodFile::path(), m_settings, dosText);
    setTxtDosText(dosText);
    frmOption *dialog = optionDialog();
    dialog->setVscrVollValue(OptionValues::vscrVollFor(m_settings.VolInk));
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // Closing never asks and is never cancelled.
    if (m_loaded && !m_unloaded)
        Form_Unload();
    event->accept();
}

void frmMain::Form_Unload()
{
    m_unloaded = true;
    QStringList failures;

    // 1. The file goes to the directory that is current now.
    const QString methodPath = MethodFile::path();

    // 2. Settings, unless minimised.
    if (!isMinimized()) {
        const SettingsStore::Geometry twips
            = WindowGeometry::toTwips(QRect(pos(), size()), m_appliedGeometry, screenDpi());
        SettingsStore store(m_store, Numbers::Separators::fromLocale(QLocale()));
        QString error;
        if (!store.write(twips, m_settings.InkZeit, m_settings.VolInk, &error))
            failures << error;
    }

    // 3. Last-method file, whatever the window state.
    QString error;
    if (!MethodFile::write(methodPath, MethodFile::compose(m_settings, txtDosText()), &error))
        failures << error;

    // 4. Options dialog.
    delete m_option;

    // 5. Documents close without a question.
    m_timer1->stop();
    m_mdiArea->closeAllSubWindows();

    // 6. The journal takes what is still queued, for a few seconds at most.
    delete m_journalWindow;
    m_journal.reset();

    if (!failures.isEmpty()) {
        const QString text = failures.join(u'\n');
        qWarning("Kalumet: settings not saved: %s", qPrintable(text));
        if (isVisible())
            QMessageBox::warning(this, QStringLiteral("Kalumet"), text);
    }
}

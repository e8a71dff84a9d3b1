<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>AtomicFile</name>
    <message>
        <source>not a regular file</source>
        <translation>keine gewöhnliche Datei</translation>
    </message>
</context>
<context>
    <name>DropFolderChooser</name>
    <message>
        <source>Drop folder for the LIMS</source>
        <translation>Ablageordner für das LIMS</translation>
    </message>
    <message>
        <source>LIMS &amp;drop folder</source>
        <translation>LIMS-&amp;Ablageordner</translation>
    </message>
    <message>
        <source>none: no files</source>
        <translation>keiner: keine Dateien</translation>
    </message>
    <message>
        <source>Each evaluation stored in the journal is written here as one JSON file, for a LIMS that watches the folder.</source>
        <translation>Jede im Journal gespeicherte Auswertung wird hier als eine JSON-Datei abgelegt, für ein LIMS, das den Ordner beobachtet.</translation>
    </message>
</context>
<context>
    <name>EvaluateCommand</name>
    <message>
        <source>cannot write to standard output: %1</source>
        <translation>Schreiben auf die Standardausgabe nicht möglich: %1</translation>
    </message>
</context>
<context>
    <name>FileProblem</name>
    <message>
        <source>It is not a regular file.</source>
        <translation>Das ist keine gewöhnliche Datei.</translation>
    </message>
    <message>
        <source>The folder does not exist.</source>
        <translation>Der Ordner existiert nicht.</translation>
    </message>
    <message>
        <source>The file does not exist.</source>
        <translation>Die Datei existiert nicht.</translation>
    </message>
    <message>
        <source>Access denied.</source>
        <translation>Zugriff verweigert.</translation>
    </message>
    <message>
        <source>It is a folder.</source>
        <translation>Das ist ein Ordner.</translation>
    </message>
    <message>
        <source>It is not an RTF file.</source>
        <translation>Das ist keine RTF-Datei.</translation>
    </message>
    <message>
        <source>The RTF file is incomplete.</source>
        <translation>Die RTF-Datei ist unvollständig.</translation>
    </message>
    <message>
        <source>The file is too large.</source>
        <translation>Die Datei ist zu groß.</translation>
    </message>
    <message>
        <source>The RTF file is damaged.</source>
        <translation>Die RTF-Datei ist beschädigt.</translation>
    </message>
    <message>
        <source>Read error (%1).</source>
        <translation>Lesefehler (%1).</translation>
    </message>
    <message>
        <source>Write error (%1).</source>
        <translation>Schreibfehler (%1).</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; cannot be saved: %2</source>
        <translation>Die Datei &quot;%1&quot; kann nicht gespeichert werden: %2</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; cannot be opened: %2</source>
        <translation>Die Datei &quot;%1&quot; kann nicht geöffnet werden: %2</translation>
    </message>
</context>
<context>
    <name>InstrumentLink</name>
    <message>
        <source>The command holds characters that cannot be sent.</source>
        <translation>Der Befehl enthält Zeichen, die nicht gesendet werden können.</translation>
    </message>
</context>
<context>
    <name>JournalCommand</name>
    <message>
        <source>--journal: %1</source>
        <translation>--journal: %1</translation>
    </message>
    <message>
        <source>the journal of the settings (%1 in %2): %3</source>
        <translation>das Journal der Einstellungen (%1 in %2): %3</translation>
    </message>
    <message>
        <source>The journal was brought to the current version; its copy before: %1</source>
        <translation>Das Journal wurde auf den aktuellen Stand gebracht; seine Kopie von vorher: %1</translation>
    </message>
    <message>
        <source>--%1 needs a day as YYYY-MM-DD, not &quot;%2&quot;</source>
        <translation>--%1 braucht einen Tag als JJJJ-MM-TT, nicht &quot;%2&quot;</translation>
    </message>
    <message>
        <source>--since %1 is after --until %2</source>
        <translation>--since %1 liegt nach --until %2</translation>
    </message>
    <message>
        <source>unknown format &quot;%1&quot;: use csv or json</source>
        <translation>unbekanntes Format &quot;%1&quot;: csv oder json verwenden</translation>
    </message>
    <message>
        <source>The journal &quot;%1&quot; cannot be read: %2</source>
        <translation>Das Journal &quot;%1&quot; kann nicht gelesen werden: %2</translation>
    </message>
    <message>
        <source>--journal-show needs a run&apos;s id</source>
        <translation>--journal-show braucht die Nummer eines Laufs</translation>
    </message>
    <message>
        <source>The journal &quot;%1&quot; has no run %2 (%3).</source>
        <translation>Das Journal &quot;%1&quot; hat keinen Lauf %2 (%3).</translation>
    </message>
    <message>
        <source>--journal-import needs file names</source>
        <translation>--journal-import braucht Dateinamen</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: run %2, %3 readings, %4 EPs</source>
        <translation>&quot;%1&quot;: Lauf %2, %3 Messwerte, %4 ÄP</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: in the journal already as run %2</source>
        <translation>&quot;%1&quot;: schon im Journal als Lauf %2</translation>
    </message>
    <message>
        <source>The journal &quot;%1&quot; cannot be written: %2; &quot;%3&quot; and the files after it were not taken.</source>
        <translation>Das Journal &quot;%1&quot; kann nicht geschrieben werden: %2; &quot;%3&quot; und die Dateien danach wurden nicht übernommen.</translation>
    </message>
    <message>
        <source>--journal-copy needs --to URL</source>
        <translation>--journal-copy braucht --to URL</translation>
    </message>
    <message>
        <source>The journal &quot;%1&quot; cannot be copied onto itself.</source>
        <translation>Das Journal &quot;%1&quot; kann nicht auf sich selbst kopiert werden.</translation>
    </message>
    <message>
        <source>Copied &quot;%1&quot; to &quot;%2&quot;; every table of the copy is the same as its source&apos;s.</source>
        <translation>&quot;%1&quot; nach &quot;%2&quot; kopiert; jede Tabelle der Kopie gleicht der ihrer Quelle.</translation>
    </message>
    <message>
        <source>--%1 and --%2 cannot go together</source>
        <translation>--%1 und --%2 gehen nicht zusammen</translation>
    </message>
    <message>
        <source>--%1 does not go with --%2</source>
        <translation>--%1 gehört nicht zu --%2</translation>
    </message>
    <message>
        <source>--%1 may be given once</source>
        <translation>--%1 darf nur einmal angegeben werden</translation>
    </message>
    <message>
        <source>unexpected argument &quot;%1&quot;</source>
        <translation>unerwartetes Argument &quot;%1&quot;</translation>
    </message>
    <message>
        <source>--out needs a file name</source>
        <translation>--out braucht einen Dateinamen</translation>
    </message>
    <message>
        <source>--journal-evaluate needs a run&apos;s id</source>
        <translation>--journal-evaluate braucht die Nummer eines Laufs</translation>
    </message>
    <message>
        <source>--journal-evaluate needs --reason: why the run is evaluated again</source>
        <translation>--journal-evaluate braucht --reason: warum der Lauf erneut ausgewertet wird</translation>
    </message>
    <message>
        <source>The run %1 cannot be evaluated: %2</source>
        <translation>Der Lauf %1 kann nicht ausgewertet werden: %2</translation>
    </message>
    <message>
        <source>The journal &quot;%1&quot; cannot be written: %2</source>
        <translation>In das Journal &quot;%1&quot; kann nicht geschrieben werden: %2</translation>
    </message>
    <message>
        <source>The evaluation is kept in the journal as version %1, but the drop folder &quot;%2&quot; cannot be written: %3</source>
        <translation>Die Auswertung ist im Journal als Version %1 gespeichert, aber in den Ablageordner &quot;%2&quot; kann nicht geschrieben werden: %3</translation>
    </message>
    <message>
        <source>--journal needs one of --journal-list, --journal-show, --journal-import, --journal-copy, --journal-evaluate and --journal-verify</source>
        <translation>--journal braucht eine von --journal-list, --journal-show, --journal-import, --journal-copy, --journal-evaluate und --journal-verify</translation>
    </message>
</context>
<context>
    <name>JournalRunModel</name>
    <message>
        <source>titration</source>
        <translation>Titration</translation>
    </message>
    <message>
        <source>received listing</source>
        <translation>empfangene Liste</translation>
    </message>
    <message>
        <source>imported</source>
        <translation>importiert</translation>
    </message>
    <message>
        <source>running</source>
        <translation>läuft</translation>
    </message>
    <message>
        <source>end value passed</source>
        <translation>Endwert überschritten</translation>
    </message>
    <message>
        <source>end volume reached</source>
        <translation>Endvolumen erreicht</translation>
    </message>
    <message>
        <source>table full</source>
        <translation>Tabelle voll</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>angehalten</translation>
    </message>
    <message>
        <source>titrator did not answer</source>
        <translation>Titrator antwortete nicht</translation>
    </message>
    <message>
        <source>line failed</source>
        <translation>Leitung gestört</translation>
    </message>
    <message>
        <source>document closed</source>
        <translation>Dokument geschlossen</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>unterbrochen</translation>
    </message>
    <message>
        <source>received</source>
        <translation>empfangen</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>Sample</source>
        <translation>Probe</translation>
    </message>
    <message>
        <source>Kind</source>
        <translation>Art</translation>
    </message>
    <message>
        <source>Ended</source>
        <translation>Ende</translation>
    </message>
    <message>
        <source>Readings</source>
        <translation>Messwerte</translation>
    </message>
    <message>
        <source>Result ± u</source>
        <translation>Ergebnis ± u</translation>
    </message>
    <message>
        <source>An outlier of the sample&apos;s series (Grubbs&apos; test, 95 %)</source>
        <translation>Ein Ausreißer der Messreihe dieser Probe (Grubbs-Test, 95 %)</translation>
    </message>
    <message>
        <source>%1 (outlier)</source>
        <translation>%1 (Ausreißer)</translation>
    </message>
</context>
<context>
    <name>JournalSession</name>
    <message>
        <source>The journal cannot be used: %1 Kalumet goes on without it; every run stays in its document.</source>
        <translation>Das Journal kann nicht benutzt werden: %1 Kalumet arbeitet ohne Journal weiter; jede Titration bleibt in ihrem Dokument.</translation>
    </message>
    <message numerus="yes">
        <source>%n run(s) of the journal had been left unfinished and are now marked as interrupted.</source>
        <translation>
            <numerusform>%n Titration des Journals war nicht abgeschlossen und ist jetzt als unterbrochen markiert.</numerusform>
            <numerusform>%n Titrationen des Journals waren nicht abgeschlossen und sind jetzt als unterbrochen markiert.</numerusform>
        </translation>
    </message>
    <message>
        <source>The journal cannot be written: %1. The titration goes on in its document; what is not written yet is kept and written as soon as the journal can be reached.</source>
        <translation>Das Journal kann nicht geschrieben werden: %1. Die Titration läuft in ihrem Dokument weiter; was noch nicht geschrieben ist, wird aufbewahrt und geschrieben, sobald das Journal wieder erreichbar ist.</translation>
    </message>
    <message>
        <source>The journal is written again; nothing is kept back.</source>
        <translation>Das Journal wird wieder geschrieben; nichts wird mehr zurückgehalten.</translation>
    </message>
    <message>
        <source>An evaluation is kept in the journal, but the drop folder &quot;%1&quot; cannot be written: %2. Later evaluations are tried there again without saying so until one is written.</source>
        <translation>Eine Auswertung ist im Journal gespeichert, aber in den Ablageordner &quot;%1&quot; kann nicht geschrieben werden: %2. Spätere Auswertungen werden dort ohne weitere Meldung erneut versucht, bis eine geschrieben ist.</translation>
    </message>
    <message>
        <source>Journal: evaluation %1 recorded; audit trail chain hash %2</source>
        <translation>Journal: Auswertung %1 aufgezeichnet; Hash der Prüfkette %2</translation>
    </message>
</context>
<context>
    <name>JournalVerify</name>
    <message>
        <source>The journal &quot;%1&quot; is intact: %2 entries in its audit trail, the newest chain hash %3.</source>
        <translation>Das Journal &quot;%1&quot; ist unversehrt: %2 Einträge in seinem Prüfprotokoll, der neueste Hash der Kette %3.</translation>
    </message>
    <message>
        <source>(none yet)</source>
        <translation>(noch keiner)</translation>
    </message>
    <message>
        <source>The journal &quot;%1&quot; does not match its audit trail at entry %2 (%3): %4</source>
        <translation>Das Journal &quot;%1&quot; stimmt bei Eintrag %2 (%3) nicht mit seinem Prüfprotokoll überein: %4</translation>
    </message>
    <message>
        <source>The journal &quot;%1&quot; does not match its audit trail: %2</source>
        <translation>Das Journal &quot;%1&quot; stimmt nicht mit seinem Prüfprotokoll überein: %2</translation>
    </message>
</context>
<context>
    <name>JournalVersionsPane</name>
    <message>
        <source>The run cannot be read: %1</source>
        <translation>Der Lauf kann nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>The run cannot be evaluated: %1</source>
        <translation>Der Lauf kann nicht ausgewertet werden: %1</translation>
    </message>
    <message>
        <source>E&amp;valuations of the selected run:</source>
        <translation>A&amp;uswertungen des gewählten Laufs:</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Zeit</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Bediener</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>Grund</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message>
        <source>Evaluate &amp;again…</source>
        <translation>&amp;Erneut auswerten…</translation>
    </message>
</context>
<context>
    <name>JournalWindow</name>
    <message>
        <source>The journal cannot be read: %1</source>
        <translation>Das Journal kann nicht gelesen werden: %1</translation>
    </message>
    <message numerus="yes">
        <source>%1 of %n run(s) shown</source>
        <translation>
            <numerusform>%1 von %n Titration angezeigt</numerusform>
            <numerusform>%1 von %n Titrationen angezeigt</numerusform>
        </translation>
    </message>
    <message>
        <source>Journal</source>
        <translation>Journal</translation>
    </message>
    <message>
        <source>&amp;Sample:</source>
        <translation>&amp;Probe:</translation>
    </message>
    <message>
        <source>from</source>
        <translation>von</translation>
    </message>
    <message>
        <source>until</source>
        <translation>bis</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>&amp;Aktualisieren</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>Ö&amp;ffnen</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
<context>
    <name>ManualCommands</name>
    <message>
        <source>The dose must be a number greater than 0 and at most 100 mL. Nothing was dosed.</source>
        <translation>Die Dosiermenge muss eine Zahl größer als 0 und höchstens 100 mL sein. Es wurde nichts dosiert.</translation>
    </message>
</context>
<context>
    <name>OptionValues</name>
    <message>
        <source>The end value &quot;%1&quot; cannot be used: enter a number from -2000 to 2000. The end value stays %2.</source>
        <translation>Der Endwert „%1“ ist nicht verwendbar: Geben Sie eine Zahl von -2000 bis 2000 ein. Der Endwert bleibt %2.</translation>
    </message>
    <message>
        <source>The end volume &quot;%1&quot; cannot be used: enter a volume from 0 to 100 mL. The end volume stays %2 mL.</source>
        <translation>Das Endvolumen „%1“ ist nicht verwendbar: Geben Sie ein Volumen von 0 bis 100 mL ein. Das Endvolumen bleibt %2 mL.</translation>
    </message>
</context>
<context>
    <name>ReevaluationDialog</name>
    <message>
        <source>Evaluate again</source>
        <translation>Erneut auswerten</translation>
    </message>
    <message>
        <source>why the run is evaluated again</source>
        <translation>warum der Lauf erneut ausgewertet wird</translation>
    </message>
    <message>
        <source>&amp;Reason</source>
        <translation>&amp;Grund</translation>
    </message>
    <message>
        <source>not entered</source>
        <translation>nicht eingegeben</translation>
    </message>
    <message>
        <source>EP &amp;criterion</source>
        <translation>EP-&amp;Kriterium</translation>
    </message>
    <message>
        <source>Result from &amp;EP</source>
        <translation>Ergebnis aus &amp;EP</translation>
    </message>
    <message>
        <source>&amp;Sample size</source>
        <translation>&amp;Probenmenge</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>ResultsBlock</name>
    <message>
        <source>Evaluation</source>
        <translation>Auswertung</translation>
    </message>
    <message>
        <source>No equivalence point found.</source>
        <translation>Kein Äquivalenzpunkt gefunden.</translation>
    </message>
    <message>
        <source>EP%1: %2 ml (u %3 ml), %4 %5</source>
        <translation>EP%1: %2 ml (u %3 ml), %4 %5</translation>
    </message>
    <message>
        <source>Result from EP%1: %2 %3 (u %4 %3)</source>
        <translation>Ergebnis aus EP%1: %2 %3 (u %4 %3)</translation>
    </message>
    <message>
        <source>No result: %1</source>
        <translation>Kein Ergebnis: %1</translation>
    </message>
    <message>
        <source>No valid titer: 1 used</source>
        <translation>Kein gültiger Titer: 1 verwendet</translation>
    </message>
    <message>
        <source>Titer %1 (u %2) of %3, run %4</source>
        <translation>Titer %1 (u %2) vom %3, Lauf %4</translation>
    </message>
    <message>
        <source>Titer %1 (u %2) of %3</source>
        <translation>Titer %1 (u %2) vom %3</translation>
    </message>
    <message>
        <source>No titer: %1</source>
        <translation>Kein Titer: %1</translation>
    </message>
    <message>
        <source>Titer of %1 from EP%2: %3 (u %4)</source>
        <translation>Titer von %1 aus EP%2: %3 (u %4)</translation>
    </message>
    <message>
        <source>Expanded uncertainty (k = %1): U = %2 %3</source>
        <translation>Erweiterte Unsicherheit (k = %1): U = %2 %3</translation>
    </message>
    <message>
        <source>; largest contribution: %1 (%2 %)</source>
        <translation>; größter Beitrag: %1 (%2 %)</translation>
    </message>
    <message>
        <source>pKa%1 %2 (u %3)</source>
        <translation>pKs%1 %2 (u %3)</translation>
    </message>
    <message>
        <source>electrode lag suspected (about %1 s): prefer drift-controlled readings</source>
        <translation>träge Elektrode vermutet (etwa %1 s): besser driftgesteuert messen</translation>
    </message>
</context>
<context>
    <name>RsKanal</name>
    <message>
        <source>Channel %1 has no device.</source>
        <translation>Kanal %1 hat kein Gerät.</translation>
    </message>
    <message>
        <source>The serial port is not open.</source>
        <translation>Die serielle Schnittstelle ist nicht geöffnet.</translation>
    </message>
    <message>
        <source>The device did not take the command.</source>
        <translation>Das Gerät hat den Befehl nicht angenommen.</translation>
    </message>
</context>
<context>
    <name>SampleDialog</name>
    <message>
        <source>Sample</source>
        <translation>Probe</translation>
    </message>
    <message>
        <source>not entered</source>
        <translation>nicht eingegeben</translation>
    </message>
    <message>
        <source>Sample id</source>
        <translation>Proben-ID</translation>
    </message>
    <message>
        <source>Sample size</source>
        <translation>Probenmenge</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>SampleEntry</name>
    <message>
        <source>The sample size must be a number of at least 0 (0: not entered).</source>
        <translation>Die Probenmenge muss eine Zahl von mindestens 0 sein (0: nicht eingegeben).</translation>
    </message>
    <message>
        <source>The sample unit must be g or mL.</source>
        <translation>Die Einheit der Probenmenge muss g oder mL sein.</translation>
    </message>
</context>
<context>
    <name>SampleSeriesText</name>
    <message>
        <source>Sample %1</source>
        <translation>Probe %1</translation>
    </message>
    <message>
        <source>no results</source>
        <translation>keine Ergebnisse</translation>
    </message>
    <message>
        <source>mean ± s %1 ± %2%3</source>
        <translation>Mittelwert ± s %1 ± %2%3</translation>
    </message>
    <message>
        <source>mean %1%2</source>
        <translation>Mittelwert %1%2</translation>
    </message>
    <message>
        <source>RSD %1 %</source>
        <translation>rel. s %1 %</translation>
    </message>
    <message>
        <source>95 % CI %1 to %2%3</source>
        <translation>95-%-Vertrauensbereich %1 bis %2%3</translation>
    </message>
    <message>
        <source>outlier test from 3 results</source>
        <translation>Ausreißertest ab 3 Ergebnissen</translation>
    </message>
    <message>
        <source>no outlier (Grubbs, 95 %)</source>
        <translation>kein Ausreißer (Grubbs, 95 %)</translation>
    </message>
    <message>
        <source>outlier (Grubbs, 95 %): run %1</source>
        <translation>Ausreißer (Grubbs, 95 %): Lauf %1</translation>
    </message>
</context>
<context>
    <name>SeriesCommands</name>
    <message>
        <source>Export data</source>
        <translation>Daten exportieren</translation>
    </message>
    <message>
        <source>Save picture</source>
        <translation>Bild speichern</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; cannot be saved: pictures are saved as PNG, SVG or PDF.</source>
        <translation>Die Datei „%1“ kann nicht gespeichert werden: Bilder werden als PNG, SVG oder PDF gespeichert.</translation>
    </message>
</context>
<context>
    <name>TiterDetermination</name>
    <message>
        <source>The mass of the standard must be greater than 0 g.</source>
        <translation>Die Einwaage des Standards muss größer als 0 g sein.</translation>
    </message>
    <message>
        <source>The molar mass of the standard must be greater than 0 g/mol.</source>
        <translation>Die molare Masse des Standards muss größer als 0 g/mol sein.</translation>
    </message>
    <message>
        <source>The purity of the standard must lie above 0 and at most 100 %.</source>
        <translation>Die Reinheit des Standards muss über 0 und höchstens 100 % liegen.</translation>
    </message>
    <message>
        <source>The stoichiometric factor of the standard must be greater than 0.</source>
        <translation>Der stöchiometrische Faktor des Standards muss größer als 0 sein.</translation>
    </message>
    <message>
        <source>The uncertainties of the standard must be 0 or more.</source>
        <translation>Die Unsicherheiten des Standards müssen 0 oder mehr sein.</translation>
    </message>
    <message>
        <source>The titrant concentration must be greater than 0 mol/L.</source>
        <translation>Die Konzentration der Maßlösung muss größer als 0 mol/L sein.</translation>
    </message>
    <message>
        <source>The blank volume must be 0 mL or more.</source>
        <translation>Der Blindwert muss 0 mL oder mehr sein.</translation>
    </message>
    <message>
        <source>The volume of the EP must be larger than the blank volume.</source>
        <translation>Das Volumen des EP muss größer als der Blindwert sein.</translation>
    </message>
    <message>
        <source>EP %1 was not found on the curve.</source>
        <translation>EP %1 wurde auf der Kurve nicht gefunden.</translation>
    </message>
</context>
<context>
    <name>TitrantEvaluation</name>
    <message>
        <source>The titrant &quot;%1&quot; cannot be read from the journal: %2</source>
        <translation>Die Maßlösung „%1“ kann nicht aus dem Journal gelesen werden: %2</translation>
    </message>
    <message>
        <source>the journal is not open.</source>
        <translation>das Journal ist nicht geöffnet.</translation>
    </message>
    <message>
        <source>The titrant &quot;%1&quot; is not in the journal.</source>
        <translation>Die Maßlösung „%1“ steht nicht im Journal.</translation>
    </message>
</context>
<context>
    <name>TitrantWindow</name>
    <message>
        <source>Control limits need two titers or more.</source>
        <translation>Kontrollgrenzen brauchen zwei oder mehr Titer.</translation>
    </message>
    <message>
        <source>Last %1 titers: mean %2, s %3; warning limits %4 to %5, action limits %6 to %7</source>
        <translation>Letzte %1 Titer: Mittelwert %2, s %3; Warngrenzen %4 bis %5, Eingriffsgrenzen %6 bis %7</translation>
    </message>
    <message>
        <source>A titrant needs a name.</source>
        <translation>Eine Maßlösung braucht einen Namen.</translation>
    </message>
    <message>
        <source>The titrant cannot be saved: %1</source>
        <translation>Die Maßlösung kann nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>Titrant &quot;%1&quot; saved.</source>
        <translation>Maßlösung „%1“ gespeichert.</translation>
    </message>
    <message>
        <source>Titrants</source>
        <translation>Maßlösungen</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Nominal concentration</source>
        <translation>Nennkonzentration</translation>
    </message>
    <message>
        <source>Valid (days)</source>
        <translation>Gültig (Tage)</translation>
    </message>
    <message>
        <source>Titer</source>
        <translation>Titer</translation>
    </message>
    <message>
        <source>u</source>
        <translation>u</translation>
    </message>
    <message>
        <source>Determined</source>
        <translation>Bestimmt</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Lauf</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>Bearbeiter</translation>
    </message>
    <message>
        <source>&amp;Name:</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>Nominal &amp;concentration:</source>
        <translation>&amp;Nennkonzentration:</translation>
    </message>
    <message>
        <source>Titers valid for (&amp;days):</source>
        <translation>Titer gültig für (&amp;Tage):</translation>
    </message>
    <message>
        <source>Ne&amp;w</source>
        <translation>Ne&amp;u</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Speichern</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
<context>
    <name>TitrationResult</name>
    <message>
        <source>Unknown result unit &quot;%1&quot;: use mol/L, mmol/L, mmol, mg, g/L or %.</source>
        <translation>Unbekannte Ergebniseinheit &quot;%1&quot;: mol/L, mmol/L, mmol, mg, g/L oder % verwenden.</translation>
    </message>
    <message>
        <source>Unknown sample unit &quot;%1&quot;: use g or mL.</source>
        <translation>Unbekannte Einheit der Probenmenge &quot;%1&quot;: g oder mL verwenden.</translation>
    </message>
    <message>
        <source>The titrant concentration must be greater than 0 mol/L.</source>
        <translation>Die Konzentration der Maßlösung muss größer als 0 mol/L sein.</translation>
    </message>
    <message>
        <source>The titer must be greater than 0.</source>
        <translation>Der Titer muss größer als 0 sein.</translation>
    </message>
    <message>
        <source>The stoichiometric factor must be greater than 0.</source>
        <translation>Der stöchiometrische Faktor muss größer als 0 sein.</translation>
    </message>
    <message>
        <source>The blank volume must be 0 mL or more.</source>
        <translation>Der Blindwert muss 0 mL oder mehr betragen.</translation>
    </message>
    <message>
        <source>The result must be taken from EP 1 or a later one.</source>
        <translation>Das Ergebnis muss aus EP 1 oder einem späteren EP berechnet werden.</translation>
    </message>
    <message>
        <source>The sample size must be greater than 0.</source>
        <translation>Die Probenmenge muss größer als 0 sein.</translation>
    </message>
    <message>
        <source>The result unit %1 needs the sample size in mL.</source>
        <translation>Die Ergebniseinheit %1 erfordert die Probenmenge in mL.</translation>
    </message>
    <message>
        <source>The molar mass must be greater than 0 g/mol.</source>
        <translation>Die molare Masse muss größer als 0 g/mol sein.</translation>
    </message>
    <message>
        <source>The blank volume is larger than the volume of the EP.</source>
        <translation>Der Blindwert ist größer als das Volumen des EP.</translation>
    </message>
    <message>
        <source>EP %1 was not found on the curve.</source>
        <translation>EP %1 wurde auf der Kurve nicht gefunden.</translation>
    </message>
    <message>
        <source>An uncertainty of the method must be 0 or more.</source>
        <translation>Eine Unsicherheit der Methode muss 0 oder mehr sein.</translation>
    </message>
</context>
<context>
    <name>TitrationRun</name>
    <message>
        <source>No document window could be opened.</source>
        <translation>Es konnte kein Dokumentfenster geöffnet werden.</translation>
    </message>
    <message>
        <source>The document of the run has been closed.</source>
        <translation>Das Dokument der Titration wurde geschlossen.</translation>
    </message>
    <message>
        <source>The titrator did not answer in time. The titration run has been stopped; the rows measured so far are kept.</source>
        <translation>Der Titrator hat nicht rechtzeitig geantwortet. Die Titration wurde angehalten; die bisher gemessenen Zeilen bleiben erhalten.</translation>
    </message>
    <message>
        <source>dynamic</source>
        <translation>dynamisch</translation>
    </message>
    <message>
        <source>fixed</source>
        <comment>dosing</comment>
        <translation>fest</translation>
    </message>
    <message>
        <source>drift</source>
        <translation>Drift</translation>
    </message>
    <message>
        <source>fixed</source>
        <comment>reading</comment>
        <translation>fest</translation>
    </message>
</context>
<context>
    <name>UncertaintyBudget</name>
    <message>
        <source>EP volume</source>
        <translation>EP-Volumen</translation>
    </message>
    <message>
        <source>titrant concentration</source>
        <translation>Konzentration der Maßlösung</translation>
    </message>
    <message>
        <source>titer</source>
        <translation>Titer</translation>
    </message>
    <message>
        <source>burette, systematic</source>
        <translation>Bürette, systematisch</translation>
    </message>
    <message>
        <source>burette, random</source>
        <translation>Bürette, zufällig</translation>
    </message>
    <message>
        <source>sample size</source>
        <translation>Probenmenge</translation>
    </message>
    <message>
        <source>blank volume</source>
        <translation>Blindwert</translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>Only the first %1 rows were kept for the chart and the export; rows left out: %2</source>
        <translation>Nur die ersten %1 Zeilen wurden für Diagramm und Export übernommen; ausgelassene Zeilen: %2</translation>
    </message>
    <message>
        <source>Kalumet runs without its journal: %1</source>
        <translation>Kalumet arbeitet ohne sein Journal: %1</translation>
    </message>
    <message>
        <source>The journal has not been started.</source>
        <translation>Das Journal wurde nicht gestartet.</translation>
    </message>
    <message>
        <source>The run cannot be read from the journal: %1</source>
        <translation>Die Titration kann nicht aus dem Journal gelesen werden: %1</translation>
    </message>
    <message>
        <source>the journal is not open</source>
        <translation>das Journal ist nicht geöffnet</translation>
    </message>
    <message>
        <source>Journal</source>
        <translation>Journal</translation>
    </message>
    <message>
        <source>Runs...</source>
        <translation>Läufe...</translation>
    </message>
    <message>
        <source>Titrants...</source>
        <translation>Maßlösungen...</translation>
    </message>
</context>
<context>
    <name>frmMethode</name>
    <message>
        <source>not entered</source>
        <translation>nicht eingegeben</translation>
    </message>
    <message>
        <source>typed</source>
        <translation>eingegeben</translation>
    </message>
</context>
</TS>

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
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
</context>
</TS>

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

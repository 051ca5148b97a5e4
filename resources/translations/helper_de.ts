<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>RealTimeProtectionView</name>
    <message>
        <source>Threat detected</source>
        <translation>Bedrohung erkannt</translation>
    </message>
    <message>
        <source>Note: The threat was moved to quarantine. A scan is running to protect your device.</source>
        <translation>Hinweis: Die Bedrohung wurde in die Quarantäne verschoben. Zum Schutz Ihres Geräts läuft ein Scan.</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>ThreatLines</name>
    <message>
        <source>Item name: No Item.</source>
        <translation>Objektname: Kein Objekt.</translation>
    </message>
    <message>
        <source>Threat name: Not Infected.</source>
        <translation>Bedrohung: Nicht infiziert.</translation>
    </message>
    <message>
        <source>Location: None.</source>
        <translation>Speicherort: Keiner.</translation>
    </message>
    <message>
        <source>Status: None.</source>
        <translation>Status: Keiner.</translation>
    </message>
    <message>
        <source>Item name: %1</source>
        <translation>Objektname: %1</translation>
    </message>
    <message>
        <source>Threat name: %1</source>
        <translation>Bedrohung: %1</translation>
    </message>
    <message>
        <source>Location: %1</source>
        <translation>Speicherort: %1</translation>
    </message>
    <message>
        <source>Status: %1</source>
        <translation>Status: %1</translation>
    </message>
</context>
<context>
    <name>UsbProtectionView</name>
    <message>
        <source>USB device attached</source>
        <translation>USB-Gerät angeschlossen</translation>
    </message>
    <message>
        <source>USB Info: %1</source>
        <translation>USB-Info: %1</translation>
    </message>
    <message>
        <source>Your MAC deserves USB protection.</source>
        <translation>Ihr MAC verdient USB-Schutz.</translation>
    </message>
    <message>
        <source>Scan for security first.</source>
        <translation>Scannen Sie es zur Sicherheit zuerst.</translation>
    </message>
    <message>
        <source>Scan Now</source>
        <translation>Jetzt scannen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
</TS>

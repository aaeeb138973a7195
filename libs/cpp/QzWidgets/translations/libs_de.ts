<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>QzWidgets::AboutDialog</name>
    <message>
        <source> Info</source>
        <translation> – Info</translation>
    </message>
    <message>
        <source>&amp;Ok</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Copyright © %1 %2. All rights reserved.</source>
        <translation>Copyright © %1 %2. Alle Rechte vorbehalten.</translation>
    </message>
</context>
<context>
    <name>QzWidgets::HelpDialog</name>
    <message>
        <source> Introduction</source>
        <translation> – Einführung</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
    <message>
        <source>&amp;Never show on start</source>
        <translation>Beim Start &amp;nie zeigen</translation>
    </message>
</context>
<context>
    <name>QzWidgets::JoinDialog</name>
    <message>
        <source>Join us</source>
        <translation>Folgen Sie uns</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
<context>
    <name>QzWidgets::JoinReminderDialog</name>
    <message>
        <source>Join Us</source>
        <translation>Folgen Sie uns</translation>
    </message>
</context>
<context>
    <name>QzWidgets::JoinWidget</name>
    <message>
        <source>Join us and stay informed about our</source>
        <translation>Folgen Sie uns und erfahren Sie als Erste von unseren</translation>
    </message>
    <message>
        <source>   1. One Day FREE APP Actions&lt;br&gt;</source>
        <translation>   1. Eintägigen GRATIS-App-Aktionen&lt;br&gt;</translation>
    </message>
    <message>
        <source>   2. APP Updates&lt;br&gt;</source>
        <translation>   2. App-Aktualisierungen&lt;br&gt;</translation>
    </message>
    <message>
        <source>   3. New APPs&lt;br&gt;</source>
        <translation>   3. Neuen Apps&lt;br&gt;</translation>
    </message>
    <message>
        <source>   4. Important News&lt;br&gt;</source>
        <translation>   4. Wichtigen Neuigkeiten&lt;br&gt;</translation>
    </message>
</context>
<context>
    <name>QzWidgets::RateReminderDialog</name>
    <message>
        <source>&lt;br&gt;please rate it in the App Store.&lt;br&gt;Thanks!</source>
        <translation>&lt;br&gt;bewerten Sie sie bitte im App Store.&lt;br&gt;Danke!</translation>
    </message>
    <message>
        <source>&amp;Rate It Now</source>
        <translation>Jetzt &amp;bewerten</translation>
    </message>
</context>
<context>
    <name>QzWidgets::ReminderDialog</name>
    <message>
        <source>Help Spread the Word about "</source>
        <translation>Sagen Sie es weiter: „</translation>
    </message>
    <message>
        <source>&amp;Maybe Later</source>
        <translation>&amp;Vielleicht später</translation>
    </message>
    <message>
        <source>&amp;Never Ask Me Again</source>
        <translation>&amp;Nie wieder fragen</translation>
    </message>
    <message>
        <source>If you like </source>
        <translation>Wenn Ihnen die </translation>
    </message>
    <message>
        <source>-App,</source>
        <translation>-App gefällt,</translation>
    </message>
</context>
<context>
    <name>QzWidgets::TellDialog</name>
    <message>
        <source>If you like "</source>
        <translation>Wenn Ihnen „</translation>
    </message>
    <message>
        <source>, &lt;br&gt;please share it with your friends.&lt;br&gt;Thanks!</source>
        <translation> gefällt, &lt;br&gt;empfehlen Sie es bitte Ihren Freunden.&lt;br&gt;Danke!</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Schließen</translation>
    </message>
</context>
<context>
    <name>QzWidgets::TellReminderDialog</name>
    <message>
        <source>Share</source>
        <translation>Teilen</translation>
    </message>
    <message>
        <source>&lt;br&gt;Share it with Your Friends.&lt;br&gt;Thanks!</source>
        <translation>&lt;br&gt;Empfehlen Sie sie Ihren Freunden.&lt;br&gt;Danke!</translation>
    </message>
</context>
</TS>

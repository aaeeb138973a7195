<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Vireo</name>
    <message>
        <source>Reconnecting: %1</source>
        <translation>Verbindet erneut: %1</translation>
    </message>
    <message>
        <source>Buffering: %1</source>
        <translation>Puffern: %1</translation>
    </message>
    <message>
        <source>Open Songs...</source>
        <translation>Lieder öffnen...</translation>
    </message>
    <message>
        <source>Add Songs...</source>
        <translation>Lieder hinzufügen...</translation>
    </message>
    <message>
        <source>Add Songs</source>
        <translation>Lieder hinzufügen</translation>
    </message>
    <message>
        <source>Open Songs</source>
        <translation>Lieder öffnen</translation>
    </message>
    <message>
        <source>Drop MP3-files into the Tray-Icon</source>
        <translation>MP3-Dateien auf das Tray-Symbol ziehen</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Wiedergabe</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Stopp</translation>
    </message>
    <message>
        <source>&amp;Previous Song</source>
        <translation>&amp;Vorheriges Lied</translation>
    </message>
    <message>
        <source>&amp;Next Song</source>
        <translation>&amp;Nächstes Lied</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Songs</source>
        <translation>Lieder</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Pause</translation>
    </message>
    <message>
        <source>Jump to Song...</source>
        <translation>Zu Lied springen...</translation>
    </message>
    <message>
        <source>ListenBrainz...</source>
        <translation>ListenBrainz...</translation>
    </message>
    <message>
        <source>Playback</source>
        <translation>Wiedergabe</translation>
    </message>
</context>
<context>
    <name>SongChooser</name>
    <message>
        <source>Audio files</source>
        <translation>Audiodateien</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Alle Dateien</translation>
    </message>
</context>
<context>
    <name>MakerPagesMenu</name>
    <message>
        <source>Share and Support</source>
        <translation>Teilen und Hilfe</translation>
    </message>
    <message>
        <source>Rate this App</source>
        <translation>Diese App bewerten</translation>
    </message>
    <message>
        <source>Share</source>
        <translation>Teilen</translation>
    </message>
    <message>
        <source>Join Us</source>
        <translation>Folgen Sie uns</translation>
    </message>
    <message>
        <source>More Apps</source>
        <translation>Weitere Apps</translation>
    </message>
    <message>
        <source>Contacts Us</source>
        <translation>Kontakt</translation>
    </message>
    <message>
        <source>Support Page</source>
        <translation>Hilfeseite</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Vireo plays without a tray icon</source>
        <translation>Vireo spielt ohne Tray-Symbol</translation>
    </message>
    <message>
        <source>Open audio files with Vireo to play them, and control it with the media keys or the desktop's sound menu. The icon appears when a system tray starts.</source>
        <translation>Öffnen Sie Audiodateien mit Vireo, um sie abzuspielen, und steuern Sie es mit den Medientasten oder dem Klangmenü der Arbeitsfläche. Das Symbol erscheint, sobald ein System-Tray startet.</translation>
    </message>
    <message>
        <source>Too many songs</source>
        <translation>Zu viele Lieder</translation>
    </message>
    <message>
        <source>A list keeps %1 songs; the %2 after them were left out.</source>
        <translation>Eine Liste fasst %1 Lieder; die %2 danach wurden ausgelassen.</translation>
    </message>
</context>
<context>
    <name>TrackNotifier</name>
    <message>
        <source>No songs</source>
        <translation>Keine Songs</translation>
    </message>
    <message>
        <source>Back on the air</source>
        <translation>Wieder auf Sendung</translation>
    </message>
    <message>
        <source>The station does not answer</source>
        <translation>Der Sender antwortet nicht</translation>
    </message>
    <message>
        <source>%1 was tried for two minutes; the list goes on.</source>
        <translation>%1 wurde zwei Minuten lang versucht; die Liste geht weiter.</translation>
    </message>
</context>
<context>
    <name>PlayModesMenu</name>
    <message>
        <source>Shuffle</source>
        <translation>Zufällige Reihenfolge</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message>
        <source>All Songs</source>
        <translation>Alle Songs</translation>
    </message>
    <message>
        <source>This Song</source>
        <translation>Diesen Song</translation>
    </message>
    <message>
        <source>Stop After This Song</source>
        <translation>Nach diesem Lied anhalten</translation>
    </message>
    <message>
        <source>ReplayGain</source>
        <translation>ReplayGain</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Titel</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Album</translation>
    </message>
    <message>
        <source>Equalizer</source>
        <translation>Equalizer</translation>
    </message>
    <message>
        <source>Bass Boost</source>
        <translation>Bassverstärkung</translation>
    </message>
    <message>
        <source>Treble Boost</source>
        <translation>Höhenverstärkung</translation>
    </message>
    <message>
        <source>Rock</source>
        <translation>Rock</translation>
    </message>
    <message>
        <source>Pop</source>
        <translation>Pop</translation>
    </message>
    <message>
        <source>Jazz</source>
        <translation>Jazz</translation>
    </message>
    <message>
        <source>Classical</source>
        <translation>Klassik</translation>
    </message>
    <message>
        <source>Vocal</source>
        <translation>Gesang</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Geschwindigkeit</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>%L1×</source>
        <translation>%L1×</translation>
    </message>
    <message>
        <source>Crossfade</source>
        <translation>Überblenden</translation>
    </message>
    <message numerus="yes">
        <source>%n Seconds</source>
        <translation>
            <numerusform>%n Sekunde</numerusform>
            <numerusform>%n Sekunden</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SleepTimerMenu</name>
    <message>
        <source>Sleep Timer</source>
        <translation>Schlaf-Timer</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Aus</translation>
    </message>
    <message numerus="yes">
        <source>%n Minutes</source>
        <translation>
            <numerusform>%n Minute</numerusform>
            <numerusform>%n Minuten</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Sleep Timer (%n min left)</source>
        <translation>
            <numerusform>Schlaf-Timer (noch %n Min.)</numerusform>
            <numerusform>Schlaf-Timer (noch %n Min.)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>JumpToSongWindow</name>
    <message>
        <source>Jump to Song</source>
        <translation>Zu Lied springen</translation>
    </message>
    <message>
        <source>Words of a title, artist, album or file name</source>
        <translation>Wörter aus Titel, Interpret, Album oder Dateiname</translation>
    </message>
    <message>
        <source>Enter plays the song, Ctrl+Enter plays it next, Esc closes.</source>
        <translation>Eingabe spielt das Lied, Strg+Eingabe spielt es als nächstes, Esc schließt.</translation>
    </message>
    <message>
        <source>Plays next: %1</source>
        <translation>Als nächstes: %1</translation>
    </message>
</context>
<context>
    <name>OutputMenu</name>
    <message>
        <source>Output</source>
        <translation>Ausgabe</translation>
    </message>
    <message>
        <source>System Default</source>
        <translation>Systemstandard</translation>
    </message>
</context>
<context>
    <name>ListenBrainzDialog</name>
    <message>
        <source>ListenBrainz</source>
        <translation>ListenBrainz</translation>
    </message>
    <message>
        <source>Songs you listen to are sent to your ListenBrainz profile. Your token is on your profile&apos;s settings page; without one nothing is sent.</source>
        <translation>Die Lieder, die Sie hören, werden an Ihr ListenBrainz-Profil gesendet. Ihr Token steht auf der Einstellungsseite Ihres Profils; ohne Token wird nichts gesendet.</translation>
    </message>
    <message>
        <source>Token:</source>
        <translation>Token:</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Server:</translation>
    </message>
</context>
</TS>

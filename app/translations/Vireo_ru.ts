<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>Vireo</name>
    <message>
        <source>Reconnecting: %1</source>
        <translation>Переподключение: %1</translation>
    </message>
    <message>
        <source>Buffering: %1</source>
        <translation>Буферизация: %1</translation>
    </message>
    <message>
        <source>Open Songs...</source>
        <translation>Открыть песни...</translation>
    </message>
    <message>
        <source>Add Songs...</source>
        <translation>Добавить песни...</translation>
    </message>
    <message>
        <source>Add Songs</source>
        <translation>Добавить песни</translation>
    </message>
    <message>
        <source>Open Songs</source>
        <translation>Открыть песни</translation>
    </message>
    <message>
        <source>Drop MP3-files into the Tray-Icon</source>
        <translation>Перетащите MP3-файлы на значок в трее</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Играть</translation>
    </message>
    <message>
        <source>&amp;Stop</source>
        <translation>&amp;Стоп</translation>
    </message>
    <message>
        <source>&amp;Previous Song</source>
        <translation>&amp;Предыдущая песня</translation>
    </message>
    <message>
        <source>&amp;Next Song</source>
        <translation>&amp;Следующая песня</translation>
    </message>
    <message>
        <source>About</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>Songs</source>
        <translation>Песни</translation>
    </message>
    <message>
        <source>&amp;Pause</source>
        <translation>&amp;Пауза</translation>
    </message>
    <message>
        <source>Jump to Song...</source>
        <translation>Перейти к песне...</translation>
    </message>
    <message>
        <source>ListenBrainz...</source>
        <translation>ListenBrainz...</translation>
    </message>
    <message>
        <source>Playback</source>
        <translation>Воспроизведение</translation>
    </message>
</context>
<context>
    <name>SongChooser</name>
    <message>
        <source>Audio files</source>
        <translation>Аудиофайлы</translation>
    </message>
    <message>
        <source>All files</source>
        <translation>Все файлы</translation>
    </message>
</context>
<context>
    <name>MakerPagesMenu</name>
    <message>
        <source>Share and Support</source>
        <translation>Поделиться и поддержка</translation>
    </message>
    <message>
        <source>Rate this App</source>
        <translation>Оценить приложение</translation>
    </message>
    <message>
        <source>Share</source>
        <translation>Поделиться</translation>
    </message>
    <message>
        <source>Join Us</source>
        <translation>Присоединяйтесь</translation>
    </message>
    <message>
        <source>More Apps</source>
        <translation>Другие приложения</translation>
    </message>
    <message>
        <source>Contacts Us</source>
        <translation>Связаться с нами</translation>
    </message>
    <message>
        <source>Support Page</source>
        <translation>Страница поддержки</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Vireo plays without a tray icon</source>
        <translation>Vireo играет без значка в трее</translation>
    </message>
    <message>
        <source>Open audio files with Vireo to play them, and control it with the media keys or the desktop's sound menu. The icon appears when a system tray starts.</source>
        <translation>Откройте аудиофайлы с помощью Vireo, чтобы воспроизвести их, и управляйте им мультимедийными клавишами или звуковым меню рабочего стола. Значок появится, когда запустится системный трей.</translation>
    </message>
    <message>
        <source>Too many songs</source>
        <translation>Слишком много песен</translation>
    </message>
    <message>
        <source>A list keeps %1 songs; the %2 after them were left out.</source>
        <translation>В список помещается %1 песен; следующие %2 не добавлены.</translation>
    </message>
</context>
<context>
    <name>TrackNotifier</name>
    <message>
        <source>No songs</source>
        <translation>Нет песен</translation>
    </message>
    <message>
        <source>Back on the air</source>
        <translation>Снова в эфире</translation>
    </message>
    <message>
        <source>The station does not answer</source>
        <translation>Станция не отвечает</translation>
    </message>
    <message>
        <source>%1 was tried for two minutes; the list goes on.</source>
        <translation>%1: две минуты попыток; список продолжается.</translation>
    </message>
</context>
<context>
    <name>PlayModesMenu</name>
    <message>
        <source>Shuffle</source>
        <translation>Перемешать</translation>
    </message>
    <message>
        <source>Repeat</source>
        <translation>Повтор</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Выкл.</translation>
    </message>
    <message>
        <source>All Songs</source>
        <translation>Все песни</translation>
    </message>
    <message>
        <source>This Song</source>
        <translation>Эту песню</translation>
    </message>
    <message>
        <source>Stop After This Song</source>
        <translation>Остановить после этой песни</translation>
    </message>
    <message>
        <source>ReplayGain</source>
        <translation>ReplayGain</translation>
    </message>
    <message>
        <source>Track</source>
        <translation>Трек</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Альбом</translation>
    </message>
    <message>
        <source>Equalizer</source>
        <translation>Эквалайзер</translation>
    </message>
    <message>
        <source>Bass Boost</source>
        <translation>Усиление басов</translation>
    </message>
    <message>
        <source>Treble Boost</source>
        <translation>Усиление высоких</translation>
    </message>
    <message>
        <source>Rock</source>
        <translation>Рок</translation>
    </message>
    <message>
        <source>Pop</source>
        <translation>Поп</translation>
    </message>
    <message>
        <source>Jazz</source>
        <translation>Джаз</translation>
    </message>
    <message>
        <source>Classical</source>
        <translation>Классика</translation>
    </message>
    <message>
        <source>Vocal</source>
        <translation>Вокал</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Скорость</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Обычная</translation>
    </message>
    <message>
        <source>%L1×</source>
        <translation>%L1×</translation>
    </message>
    <message>
        <source>Crossfade</source>
        <translation>Плавный переход</translation>
    </message>
    <message numerus="yes">
        <source>%n Seconds</source>
        <translation>
            <numerusform>%n секунда</numerusform>
            <numerusform>%n секунды</numerusform>
            <numerusform>%n секунд</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SleepTimerMenu</name>
    <message>
        <source>Sleep Timer</source>
        <translation>Таймер сна</translation>
    </message>
    <message>
        <source>Off</source>
        <translation>Выкл.</translation>
    </message>
    <message numerus="yes">
        <source>%n Minutes</source>
        <translation>
            <numerusform>%n минута</numerusform>
            <numerusform>%n минуты</numerusform>
            <numerusform>%n минут</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Sleep Timer (%n min left)</source>
        <translation>
            <numerusform>Таймер сна (осталось %n мин.)</numerusform>
            <numerusform>Таймер сна (осталось %n мин.)</numerusform>
            <numerusform>Таймер сна (осталось %n мин.)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>JumpToSongWindow</name>
    <message>
        <source>Jump to Song</source>
        <translation>Перейти к песне</translation>
    </message>
    <message>
        <source>Words of a title, artist, album or file name</source>
        <translation>Слова из названия, исполнителя, альбома или имени файла</translation>
    </message>
    <message>
        <source>Enter plays the song, Ctrl+Enter plays it next, Esc closes.</source>
        <translation>Enter играет песню, Ctrl+Enter ставит её следующей, Esc закрывает.</translation>
    </message>
    <message>
        <source>Plays next: %1</source>
        <translation>Следующей: %1</translation>
    </message>
</context>
<context>
    <name>OutputMenu</name>
    <message>
        <source>Output</source>
        <translation>Вывод звука</translation>
    </message>
    <message>
        <source>System Default</source>
        <translation>Системный по умолчанию</translation>
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
        <translation>Песни, которые вы слушаете, отправляются в ваш профиль ListenBrainz. Токен есть на странице настроек профиля; без него ничего не отправляется.</translation>
    </message>
    <message>
        <source>Token:</source>
        <translation>Токен:</translation>
    </message>
    <message>
        <source>Server:</source>
        <translation>Сервер:</translation>
    </message>
</context>
</TS>

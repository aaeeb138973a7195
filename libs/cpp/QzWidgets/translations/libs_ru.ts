<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>QzWidgets::AboutDialog</name>
    <message>
        <source> Info</source>
        <translation> – сведения</translation>
    </message>
    <message>
        <source>&amp;Ok</source>
        <translation>&amp;ОК</translation>
    </message>
    <message>
        <source>Copyright © %1 %2. All rights reserved.</source>
        <translation>© %1 %2. Все права защищены.</translation>
    </message>
</context>
<context>
    <name>QzWidgets::HelpDialog</name>
    <message>
        <source> Introduction</source>
        <translation> – знакомство</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Закрыть</translation>
    </message>
    <message>
        <source>&amp;Never show on start</source>
        <translation>&amp;Не показывать при запуске</translation>
    </message>
</context>
<context>
    <name>QzWidgets::JoinDialog</name>
    <message>
        <source>Join us</source>
        <translation>Присоединяйтесь</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Закрыть</translation>
    </message>
</context>
<context>
    <name>QzWidgets::JoinReminderDialog</name>
    <message>
        <source>Join Us</source>
        <translation>Присоединяйтесь</translation>
    </message>
</context>
<context>
    <name>QzWidgets::JoinWidget</name>
    <message>
        <source>Join us and stay informed about our</source>
        <translation>Присоединяйтесь и узнавайте первыми о наших</translation>
    </message>
    <message>
        <source>   1. One Day FREE APP Actions&lt;br&gt;</source>
        <translation>   1. Однодневных акциях БЕСПЛАТНЫХ приложений&lt;br&gt;</translation>
    </message>
    <message>
        <source>   2. APP Updates&lt;br&gt;</source>
        <translation>   2. Обновлениях приложений&lt;br&gt;</translation>
    </message>
    <message>
        <source>   3. New APPs&lt;br&gt;</source>
        <translation>   3. Новых приложениях&lt;br&gt;</translation>
    </message>
    <message>
        <source>   4. Important News&lt;br&gt;</source>
        <translation>   4. Важных новостях&lt;br&gt;</translation>
    </message>
</context>
<context>
    <name>QzWidgets::RateReminderDialog</name>
    <message>
        <source>&lt;br&gt;please rate it in the App Store.&lt;br&gt;Thanks!</source>
        <translation>&lt;br&gt;пожалуйста, оцените его в App Store.&lt;br&gt;Спасибо!</translation>
    </message>
    <message>
        <source>&amp;Rate It Now</source>
        <translation>&amp;Оценить сейчас</translation>
    </message>
</context>
<context>
    <name>QzWidgets::ReminderDialog</name>
    <message>
        <source>Help Spread the Word about "</source>
        <translation>Расскажите друзьям о „</translation>
    </message>
    <message>
        <source>&amp;Maybe Later</source>
        <translation>&amp;Может быть, позже</translation>
    </message>
    <message>
        <source>&amp;Never Ask Me Again</source>
        <translation>&amp;Больше не спрашивать</translation>
    </message>
    <message>
        <source>If you like </source>
        <translation>Если вам нравится приложение </translation>
    </message>
    <message>
        <source>-App,</source>
        <translation>,</translation>
    </message>
</context>
<context>
    <name>QzWidgets::TellDialog</name>
    <message>
        <source>If you like "</source>
        <translation>Если вам нравится „</translation>
    </message>
    <message>
        <source>, &lt;br&gt;please share it with your friends.&lt;br&gt;Thanks!</source>
        <translation>, &lt;br&gt;пожалуйста, расскажите о нём друзьям.&lt;br&gt;Спасибо!</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Закрыть</translation>
    </message>
</context>
<context>
    <name>QzWidgets::TellReminderDialog</name>
    <message>
        <source>Share</source>
        <translation>Поделиться</translation>
    </message>
    <message>
        <source>&lt;br&gt;Share it with Your Friends.&lt;br&gt;Thanks!</source>
        <translation>&lt;br&gt;Расскажите о нём друзьям.&lt;br&gt;Спасибо!</translation>
    </message>
</context>
</TS>

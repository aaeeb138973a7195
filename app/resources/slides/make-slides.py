#!/usr/bin/env python3
"""Writes the introduction slides (three steps, in English, German and Russian) as SVG into src/: VireoSlide* for
trays where songs are dropped on the icon, VireoSlideOpen* for those where the icon takes no drops
(StatusNotifierItem hosts, Wayland) and songs come through the menu's open dialog. render.sh turns them into the
JPEG files the program shows. The tray icon is embedded from the program's own
status picture, so the slides always show the icon the user will see."""
import base64
import os
import textwrap

HERE = os.path.dirname(os.path.abspath(__file__))
LOGO = base64.b64encode(open(os.path.join(HERE, '../pictures/Logo@2x.png'), 'rb').read()).decode()
PAUSE = base64.b64encode(open(os.path.join(HERE, '../pictures/Pause@2x.png'), 'rb').read()).decode()

TEXT = {
    'en': {
        'titles': ['1. Drop your music on the icon', '2. Use the menu', '3. Pick a song'],
        'captions': [
            "Drag audio files from your file manager onto Vireo's icon in the tray. The first one plays at once.",
            'Click the icon: play or pause, stop, go to the previous or the next song. A right click pauses and plays.',
            'The Songs list holds every file you dropped. Choose one and it plays.'],
        'menu': ['Pause', 'Stop', 'Previous Song', 'Next Song', 'Share', 'About', 'Quit'], 'songs': 'Songs',
    },
    'de': {
        'titles': ['1. Musik auf das Symbol ziehen', '2. Das Menü benutzen', '3. Ein Lied wählen'],
        'captions': [
            'Ziehen Sie Audiodateien aus der Dateiverwaltung auf das Vireo-Symbol im Systembereich. Die erste spielt sofort.',
            'Klicken Sie auf das Symbol: Wiedergabe oder Pause, Stopp, voriges oder nächstes Lied. Ein Rechtsklick pausiert und spielt weiter.',
            'Die Liste „Lieder“ enthält jede abgelegte Datei. Wählen Sie eine aus, und sie spielt.'],
        'menu': ['Pause', 'Stopp', 'Vorheriges Lied', 'Nächstes Lied', 'Teilen', 'Über', 'Beenden'], 'songs': 'Lieder',
    },
    'ru': {
        'titles': ['1. Перетащите музыку на значок', '2. Пользуйтесь меню', '3. Выберите песню'],
        'captions': [
            'Перетащите аудиофайлы из файлового менеджера на значок Vireo в трее. Первый файл зазвучит сразу.',
            'Щёлкните по значку: воспроизведение или пауза, стоп, предыдущая или следующая песня. Правый щелчок ставит на паузу и продолжает.',
            'В списке «Песни» — все перетащенные файлы. Выберите любой, и он зазвучит.'],
        'menu': ['Пауза', 'Стоп', 'Предыдущая песня', 'Следующая песня', 'Поделиться', 'О программе', 'Выход'],
        'songs': 'Песни',
    },
}
# Where the icon takes no drops: the steps say what such a tray offers instead, and nothing of dropping.
OPEN_TEXT = {
    'en': {
        'titles': ['1. Open your music from the menu'],
        'captions': [
            "Click Vireo's icon and choose Open Songs... Or open audio files with Vireo from your file manager.",
            'Click the icon: play or pause, stop, go to the previous or the next song. A middle click pauses and plays.',
            'The Songs list holds every song you opened. Choose one and it plays.'],
        'open': ['Open Songs...', 'Add Songs...'],
    },
    'de': {
        'titles': ['1. Musik über das Menü öffnen'],
        'captions': [
            'Klicken Sie auf das Vireo-Symbol und wählen Sie „Lieder öffnen...“. Oder öffnen Sie Audiodateien mit Vireo aus der Dateiverwaltung.',
            'Klicken Sie auf das Symbol: Wiedergabe oder Pause, Stopp, voriges oder nächstes Lied. Ein Mittelklick pausiert und spielt weiter.',
            'Die Liste „Lieder“ enthält jedes geöffnete Lied. Wählen Sie eines aus, und es spielt.'],
        'open': ['Lieder öffnen...', 'Lieder hinzufügen...'],
    },
    'ru': {
        'titles': ['1. Откройте музыку из меню'],
        'captions': [
            'Щёлкните по значку Vireo и выберите «Открыть песни...». Или откройте аудиофайлы в Vireo из файлового менеджера.',
            'Щёлкните по значку: воспроизведение или пауза, стоп, предыдущая или следующая песня. Средний щелчок ставит на паузу и продолжает.',
            'В списке «Песни» — все открытые песни. Выберите любую, и она зазвучит.'],
        'open': ['Открыть песни...', 'Добавить песни...'],
    },
}
SONGS = ['01 Morning.mp3', '02 Forest Walk.ogg', '03 Evening.mp3']


def esc(s):
    return s.replace('&', '&amp;').replace('<', '&lt;').replace('>', '&gt;')


def panel(icon):
    return f'''  <rect x="0" y="0" width="800" height="44" fill="#2b2b2b"/>
  <rect x="0" y="43" width="800" height="1" fill="#555"/>
  <text x="24" y="28" font-family="DejaVu Sans" font-size="15" fill="#bbb">Applications   Places</text>
  <circle cx="610" cy="22" r="9" fill="#777"/><rect x="634" y="13" width="18" height="18" rx="3" fill="#777"/>
  <rect x="664" y="8" width="36" height="28" rx="4" fill="#ffd75a" fill-opacity="0.25" stroke="#ffd75a" stroke-width="2"/>
  <image x="670" y="10" width="24" height="24" href="data:image/png;base64,{icon}"/>
  <text x="782" y="28" font-family="DejaVu Sans" font-size="15" fill="#ddd" text-anchor="end">12:30</text>
'''


def menu(items, x, y, highlight=None, songs_label=None, first='01 Morning.mp3'):
    rows = [first, (songs_label + '   ▸') if songs_label else None, '-'] + items[:2] + ['-'] + items[2:4] + ['-'] + items[4:]
    rows = [r for r in rows if r is not None]
    h = sum(8 if r == '-' else 30 for r in rows) + 12
    out = [f'  <rect x="{x}" y="{y}" width="270" height="{h}" rx="6" fill="url(#menu)" stroke="#999" stroke-width="2"/>']
    cy = y + 6
    for r in rows:
        if r == '-':
            out.append(f'  <rect x="{x + 12}" y="{cy + 3}" width="246" height="1.5" fill="#ccc"/>')
            cy += 8
            continue
        if r == highlight:
            out.append(f'  <rect x="{x + 4}" y="{cy}" width="262" height="28" rx="5" fill="url(#sel)"/>')
        out.append(f'  <text x="{x + 34}" y="{cy + 20}" font-family="DejaVu Sans" font-size="16" fill="white">{esc(r)}</text>')
        cy += 30
    return '\n'.join(out) + '\n', h


def slide(lang, step, opened=False):
    t = dict(TEXT[lang])
    if opened:
        t['titles'] = OPEN_TEXT[lang]['titles'] + t['titles'][1:]
        t['captions'] = OPEN_TEXT[lang]['captions']
    body = ''
    icon = LOGO if step == 0 else PAUSE
    if step == 0 and opened:
        # An empty list: the menu's first entry opens songs.
        m, _ = menu(t['menu'], 500, 44, highlight=OPEN_TEXT[lang]['open'][0], songs_label=t['songs'],
            first=OPEN_TEXT[lang]['open'][0])
        body += m
    elif step == 0:
        body += '''  <g transform="translate(150 200)">
    <rect x="0" y="0" width="190" height="200" rx="8" fill="#f2f2f2" stroke="#888" stroke-width="2"/>
    <rect x="0" y="0" width="190" height="30" rx="8" fill="#d0d0d0"/>
'''
        for i, s in enumerate(SONGS):
            body += f'''    <rect x="14" y="{48 + i * 48}" width="26" height="32" rx="3" fill="#7a8f2e"/>
    <text x="27" y="{70 + i * 48}" font-family="DejaVu Sans" font-size="14" fill="white" text-anchor="middle">♪</text>
    <text x="50" y="{69 + i * 48}" font-family="DejaVu Sans" font-size="13" fill="#222">{esc(s)}</text>
'''
        body += '''  </g>
  <path d="M330 290 C470 250 600 170 676 52" fill="none" stroke="#ffd75a" stroke-width="6" stroke-dasharray="14 10" stroke-linecap="round"/>
  <path d="M660 62 L680 40 L690 70 Z" fill="#ffd75a"/>
  <g transform="translate(560 120) rotate(-12)"><rect width="30" height="38" rx="3" fill="#7a8f2e" stroke="white" stroke-width="2"/>
    <text x="15" y="26" font-family="DejaVu Sans" font-size="17" fill="white" text-anchor="middle">♪</text></g>
'''
    elif step == 1:
        m, _ = menu(t['menu'], 664, 44, highlight=t['menu'][0], songs_label=t['songs'])
        body += m.replace('x="664"', 'x="500"').replace('x="676"', 'x="512"').replace('x="668"', 'x="504"').replace('x="698"', 'x="534"')
        body += '  <circle cx="682" cy="22" r="26" fill="none" stroke="#ffd75a" stroke-width="4"/>\n'
    else:
        m, _ = menu(t['menu'], 470, 44, highlight=t['songs'] + '   ▸', songs_label=t['songs'], first=SONGS[1])
        body += m
        sub_y = 44 + 36
        body += f'  <rect x="200" y="{sub_y}" width="262" height="104" rx="6" fill="url(#menu)" stroke="#999" stroke-width="2"/>\n'
        for i, s in enumerate(SONGS):
            if i == 1:
                body += f'  <rect x="204" y="{sub_y + 6 + i * 30}" width="254" height="28" rx="5" fill="url(#sel)"/>\n'
            body += f'  <text x="222" y="{sub_y + 26 + i * 30}" font-family="DejaVu Sans" font-size="16" fill="white">{esc(s)}</text>\n'
    caption = textwrap.wrap(t['captions'][step], 62)
    lines = ''.join(f'    <tspan x="400" dy="{0 if i == 0 else 30}">{esc(l)}</tspan>\n' for i, l in enumerate(caption))
    return f'''<svg xmlns="http://www.w3.org/2000/svg" width="800" height="600" viewBox="0 0 800 600">
  <defs>
    <linearGradient id="bg" x1="0" y1="0" x2="1" y2="1"><stop offset="0" stop-color="#25301a"/><stop offset="1" stop-color="#0c0f08"/></linearGradient>
    <linearGradient id="menu" x1="1" y1="1" x2="0" y2="0"><stop offset="0" stop-color="rgb(120,120,120)"/><stop offset="1" stop-color="rgb(70,70,70)"/></linearGradient>
    <linearGradient id="sel" x1="0" y1="1" x2="0" y2="0"><stop offset="0.1" stop-color="rgb(0,0,155)"/><stop offset="1" stop-color="rgb(131,167,222)" stop-opacity="0.6"/></linearGradient>
  </defs>
  <rect width="800" height="600" fill="url(#bg)"/>
{panel(icon)}{body}  <text x="400" y="{470 if len(caption) < 3 else 455}" font-family="DejaVu Sans" font-weight="bold" font-size="30" fill="#e8e27a" text-anchor="middle">{esc(t['titles'][step])}</text>
  <text x="400" y="{515 if len(caption) < 3 else 500}" font-family="DejaVu Sans" font-size="19" fill="#f0f0f0" text-anchor="middle">
{lines}  </text>
</svg>
'''


os.makedirs(os.path.join(HERE, 'src'), exist_ok=True)
for lang in TEXT:
    for step in range(3):
        with open(os.path.join(HERE, 'src', f'VireoSlide{step + 1}_{lang}.svg'), 'w', encoding='utf-8') as f:
            f.write(slide(lang, step))
        with open(os.path.join(HERE, 'src', f'VireoSlideOpen{step + 1}_{lang}.svg'), 'w', encoding='utf-8') as f:
            f.write(slide(lang, step, opened=True))

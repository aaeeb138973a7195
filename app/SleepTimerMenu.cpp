#include "SleepTimerMenu.h"

#include "AudioListPlayer.h"

#include <QActionGroup>
#include <QMenu>

#include <limits>

using QzMultiMedia::AudioListPlayer;

namespace {
constexpr int Times[] = { 15, 30, 60, 90 };
}

SleepTimerMenu::SleepTimerMenu(QMenu* menu, QObject* parent)
    : QObject(parent)
    , m_pmnuSleep(menu->addMenu(tr("Sleep Timer")))
{
    auto* choices = new QActionGroup(m_pmnuSleep);
    const auto add = [&](const QString& text, int minutes) {
        QAction* action = choices->addAction(text);
        action->setCheckable(true);
        m_pmnuSleep->addAction(action);
        connect(action, &QAction::triggered, this, [this, minutes] { choose(minutes); });
        m_listChoices << action;
    };
    add(tr("Off"), 0);
    for (const int minutes : Times)
        add(tr("%n Minutes", nullptr, minutes), minutes);
    m_listChoices.first()->setChecked(true);

    m_end.setSingleShot(true);
    connect(&m_end, &QTimer::timeout, this, &SleepTimerMenu::slotTimeUp);
    connect(&m_tick, &QTimer::timeout, this, &SleepTimerMenu::slotShowTimeLeft);
    connect(menu, &QMenu::aboutToShow, this, &SleepTimerMenu::slotShowTimeLeft);
}

int SleepTimerMenu::minuteMs()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("VIREO_SLEEP_MINUTE_MS", &ok);
    return ok && ms > 0 ? ms : 60000;
}

void SleepTimerMenu::choose(int minutes)
{
    m_tick.stop();
    m_end.stop();
    if (minutes > 0) {
        const qint64 length = qint64(minutes) * minuteMs();
        m_deadline.setRemainingTime(length);
        m_end.start(int(qMin<qint64>(length, std::numeric_limits<int>::max())));
        m_tick.start(qMax(100, minuteMs() / 6));
    }
    slotShowTimeLeft();
}

void SleepTimerMenu::slotShowTimeLeft()
{
    if (!m_end.isActive()) {
        m_pmnuSleep->setTitle(tr("Sleep Timer"));
        return;
    }
    const qint64 left = (m_deadline.remainingTime() + minuteMs() - 1) / minuteMs();
    m_pmnuSleep->setTitle(tr("Sleep Timer (%n min left)", nullptr, int(left)));
}

// Asleep by now, perhaps: the music goes quietly, over ten seconds, rather than stopping dead.
void SleepTimerMenu::slotTimeUp()
{
    m_tick.stop();
    m_listChoices.first()->setChecked(true);
    slotShowTimeLeft();
    AudioListPlayer* player = AudioListPlayer::instance();
    if (player->isPlaying())
        player->fadeOutAndPause(minuteMs() / 6);
}

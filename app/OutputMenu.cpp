#include "OutputMenu.h"

#include "AudioPlayer.h"
#include "SoundOutputs.h"

#include <QActionGroup>
#include <QMenu>

using QzMultiMedia::AudioPlayer;
using QzMultiMedia::SoundOutputs;

OutputMenu::OutputMenu(QMenu* menu, QObject* parent)
    : QObject(parent)
    , m_pmnuOutput(menu->addMenu(tr("Output")))
{
    // One entry from the start: a submenu with nothing in it would not open to be filled.
    m_pmnuOutput->addAction(tr("System Default"));
    connect(m_pmnuOutput, &QMenu::aboutToShow, this, [this] {
        if (!m_bWatching) {
            m_bWatching = true;
            connect(SoundOutputs::instance(), &SoundOutputs::changed, this, &OutputMenu::slotRebuild);
            connect(AudioPlayer::instance(), &AudioPlayer::outputChanged, this, &OutputMenu::slotRebuild);
        }
        slotRebuild();
    });
}

void OutputMenu::slotRebuild()
{
    // The entries belong to their group, which goes with them: outputs come and go all day long.
    m_pmnuOutput->clear();
    delete m_pGroup;
    auto* group = m_pGroup = new QActionGroup(this);
    const QString chosen = AudioPlayer::instance()->output();
    const auto add = [&](const QString& text, const QString& id) {
        QAction* action = group->addAction(text);
        action->setCheckable(true);
        action->setChecked(id == chosen);
        m_pmnuOutput->addAction(action);
        connect(action, &QAction::triggered, this, [id] { AudioPlayer::instance()->setOutput(id); });
    };
    add(tr("System Default"), QString());
    m_pmnuOutput->addSeparator();
    const QList<SoundOutputs::Output> outputs = SoundOutputs::instance()->outputs();
    for (const SoundOutputs::Output& output : outputs) {
        // Two outputs of one name (two alike cards) are told apart by the server's names for them.
        const bool twin = std::count_if(outputs.cbegin(), outputs.cend(), [&output](const SoundOutputs::Output& other) {
            return other.name == output.name;
        }) > 1;
        QString text = twin ? QStringLiteral("%1 (%2)").arg(output.name, output.id) : output.name;
        add(text.replace(QLatin1Char('&'), QStringLiteral("&&")), output.id);
    }
}

#include "player/SpeedMenu.h"

#include "res/Texts.h"

#include <QActionGroup>

namespace kestrova {

SpeedMenu::SpeedMenu(PlaybackModel& playback, QWidget* parent)
    : ControlMenu(texts::kSpeed, parent)
    , m_playback(playback)
    , m_speeds(new QActionGroup(this)) {
    for (const double speed : PlaybackModel::kSpeeds) {
        QAction* action = addAction(speedText(speed));
        action->setCheckable(true);
        action->setData(speed);
        m_speeds->addAction(action);
    }
    connect(m_speeds, &QActionGroup::triggered, this,
            [this](QAction* action) { m_playback.setSpeed(action->data().toDouble()); });
    m_subscription = playback.subscribe([this](PlaybackChanges changes) {
        if (changes.has(PlaybackChange::Speed))
            showSpeed();
    });
    showSpeed();
}

QString SpeedMenu::speedText(double speed) {
    return QString::number(speed, 'g', 3) + QLatin1Char('x');
}

void SpeedMenu::showSpeed() {
    const double speed = m_playback.state().speed;
    setLabel(speedText(speed));
    for (QAction* action : m_speeds->actions())
        action->setChecked(action->data().toDouble() == speed);
}

} // namespace kestrova

#include "player/SpeedMenu.h"

#include "res/Texts.h"

#include <vector>

namespace kestrova {

SpeedMenu::SpeedMenu(PlaybackModel& playback, QWidget* parent)
    : ControlMenu(texts::kSpeed, parent)
    , m_playback(playback) {
    std::vector<Choice> choices;
    for (const double speed : PlaybackModel::kSpeeds)
        choices.push_back({speedText(speed), speed});
    setChoices(choices, [this](const QVariant& speed) { m_playback.setSpeed(speed.toDouble()); });
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
    checkChoice(speed);
}

} // namespace kestrova

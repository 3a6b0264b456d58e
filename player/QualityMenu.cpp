#include "player/QualityMenu.h"

#include "res/Texts.h"
#include "text/QtText.h"

#include <QActionGroup>

namespace kestrova {

QualityMenu::QualityMenu(PlaybackModel& playback, QWidget* parent)
    : ControlMenu(texts::kQuality, parent)
    , m_playback(playback)
    , m_choices(new QActionGroup(this)) {
    m_subscription = playback.subscribe([this](PlaybackChanges changes) {
        if (changes.has(PlaybackChange::Quality))
            showQuality();
    });
    showQuality();
}

QString QualityMenu::qualityText(int lines) {
    return lines > 0 ? QString::number(lines) + QLatin1Char('p')
                     : ToQString(texts::kQualityAutomatic);
}

// The entries are made again only when the heights change, never while one is being chosen.
void QualityMenu::showQuality() {
    const PlaybackState& state = m_playback.state();
    if (actions().isEmpty() || state.offers.heights != m_heights) {
        m_heights = state.offers.heights;
        clear();
        std::vector<int> lines{0};
        lines.insert(lines.end(), m_heights.begin(), m_heights.end());
        for (const int height : lines) {
            QAction* action = addAction(qualityText(height));
            action->setCheckable(true);
            action->setData(height);
            m_choices->addAction(action);
            connect(action, &QAction::triggered, this,
                    [this, height] { m_playback.setQuality(height); });
        }
    }
    for (QAction* action : actions())
        action->setChecked(action->data().toInt() == state.quality);
    // The height chosen even when this movie does not come in it (the tallest below it plays
    // then): it holds for the next one too.
    setLabel(qualityText(state.quality));
    setOffered(!m_heights.empty());
}

} // namespace kestrova

#include "player/QualityMenu.h"

#include "res/Texts.h"
#include "text/QtText.h"

namespace kestrova {

QualityMenu::QualityMenu(PlaybackModel& playback, QWidget* parent)
    : ControlMenu(texts::kQuality, parent)
    , m_playback(playback) {
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
        std::vector<Choice> choices{{qualityText(0), 0}};
        for (const int height : m_heights)
            choices.push_back({qualityText(height), height});
        setChoices(choices,
                   [this](const QVariant& lines) { m_playback.setQuality(lines.toInt()); });
    }
    checkChoice(state.quality);
    // The height chosen even when this movie does not come in it (the tallest below it plays
    // then): it holds for the next one too.
    setLabel(qualityText(state.quality));
    setOffered(!m_heights.empty());
}

} // namespace kestrova

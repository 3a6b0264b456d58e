#include "player/CaptionsMenu.h"

#include "res/Texts.h"
#include "text/QtText.h"

namespace kestrova {

CaptionsMenu::CaptionsMenu(PlaybackModel& playback, QWidget* parent)
    : ControlMenu(texts::kCaptions, parent)
    , m_playback(playback) {
    m_subscription = playback.subscribe([this](PlaybackChanges changes) {
        if (changes.has(PlaybackChange::Captions))
            showCaptions();
    });
    showCaptions();
}

QString CaptionsMenu::captionsText(const PlaybackCaptions& captions) {
    QString text =
        QString::fromStdString(captions.name.empty() ? captions.language : captions.name);
    if (captions.automatic)
        text += ToQString(texts::kCaptionsAutomatic);
    return text;
}

// The entries are made again only when the languages change, never while one is being chosen.
void CaptionsMenu::showCaptions() {
    const PlaybackState& state = m_playback.state();
    if (actions().isEmpty() || state.offers.captions != m_captions) {
        m_captions = state.offers.captions;
        std::vector<Choice> choices{{ToQString(texts::kCaptionsOff), QString()}};
        for (const PlaybackCaptions& captions : m_captions)
            choices.push_back({captionsText(captions), QString::fromStdString(captions.language)});
        setChoices(choices, [this](const QVariant& language) {
            m_playback.setCaptions(language.toString().toStdString());
        });
    }
    const QString shown = checkChoice(QString::fromStdString(state.captionsShown));
    setLabel(shown.isEmpty() ? ToQString(texts::kCaptionsOff) : shown);
    setOffered(!m_captions.empty());
}

} // namespace kestrova

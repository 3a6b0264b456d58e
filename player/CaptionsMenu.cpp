#include "player/CaptionsMenu.h"

#include "res/Texts.h"
#include "text/QtText.h"

#include <QActionGroup>

namespace kestrova {

CaptionsMenu::CaptionsMenu(PlaybackModel& playback, QWidget* parent)
    : ControlMenu(texts::kCaptions, parent)
    , m_playback(playback)
    , m_choices(new QActionGroup(this)) {
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
        clear();
        addChoice(ToQString(texts::kCaptionsOff), {});
        for (const PlaybackCaptions& captions : m_captions)
            addChoice(captionsText(captions), captions.language);
    }
    QString label = ToQString(texts::kCaptionsOff);
    for (QAction* action : actions()) {
        const bool shown = action->data().toString().toStdString() == state.captionsShown;
        action->setChecked(shown);
        if (shown)
            label = action->text();
    }
    setLabel(label);
    setOffered(!m_captions.empty());
}

void CaptionsMenu::addChoice(const QString& text, const std::string& language) {
    QAction* action = addAction(text);
    action->setCheckable(true);
    action->setData(QString::fromStdString(language));
    m_choices->addAction(action);
    connect(action, &QAction::triggered, this,
            [this, language] { m_playback.setCaptions(language); });
}

} // namespace kestrova

#include "request/PlayVideoRequest.h"

#include "metadata/TitleExtraction.h"
#include "request/VideoReference.h"
#include "res/Texts.h"

namespace kestrova {

PlayVideoRequest::PlayVideoRequest(Feed& feed, Player& player, History& history, Panel& panel)
    : m_feed(feed)
    , m_player(player)
    , m_history(history)
    , m_panel(panel) {}

bool PlayVideoRequest::start(const std::u16string& typed) {
    if (m_running) {
        return false;
    }
    std::u16string videoId = ParseVideoReference(typed);
    if (videoId.empty()) {
        m_panel.showMessage(texts::kMsgBadReference);
        return false;
    }
    m_running = true;
    const bool started =
        m_feed.fetchFeed(videoId, [this, videoId](FeedResult result, std::u16string feedText) {
            onFeedAnswer(videoId, result, feedText);
        });
    if (!started) {
        m_running = false;
    }
    return started;
}

void PlayVideoRequest::onFeedAnswer(const std::u16string& videoId, FeedResult result,
                                    const std::u16string& feedText) {
    m_running = false;
    if (result != FeedResult::Ok) {
        m_panel.showMessage(texts::kMsgFeedFailed);
        return;
    }
    std::u16string title = TakeTitle(feedText);
    // Playback starts before the history is touched.
    m_player.PlayVideo(videoId);
    HistoryItem item;
    item.m_strVideoId = videoId;
    item.m_strTitle = std::move(title);
    m_history.AddToHistory(std::move(item));
    m_panel.showPlayedId(videoId);
}

void PlayVideoRequest::PlayFromHistory(const HistoryItem& item) {
    m_player.PlayVideo(item.m_strVideoId);
    m_panel.showPlayedId(item.m_strVideoId);
}

} // namespace kestrova

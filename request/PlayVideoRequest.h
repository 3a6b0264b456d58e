#pragma once

#include "history/HistoryItem.h"
#include "metadata/FeedRetrieval.h"

#include <functional>
#include <string>
#include <string_view>

namespace kestrova {

// The Play Video request, from the typed text to a playing video in the history, and the
// play-back of a history record. It decides the steps and keeps their order: parse, fetch,
// title, play, history, edit box; a failure shows its message and changes nothing. The work
// itself is done through the interfaces below, so the control panel drives it and tests fake
// them.
class PlayVideoRequest {
public:
    class Feed {
    public:
        using Answer = std::function<void(FeedResult result, std::u16string feedText)>;
        virtual ~Feed() = default;
        // Starts fetching the video's feed entry without waiting for it. The answer comes
        // later, on the caller's thread, once, unless the fetch is abandoned. False when
        // nothing was started (another fetch is running).
        virtual bool fetchFeed(std::u16string videoId, Answer answer) = 0;
    };

    class Player {
    public:
        virtual ~Player() = default;
        virtual void PlayVideo(std::u16string videoId) = 0;
    };

    class History {
    public:
        virtual ~History() = default;
        // The history applies its own rules (an ID already present changes nothing).
        virtual void AddToHistory(HistoryItem item) = 0;
    };

    class Panel {
    public:
        virtual ~Panel() = default;
        virtual void showMessage(std::u16string_view text) = 0;
        // A video was played: the edit box and the ID to be saved take its ID.
        virtual void showPlayedId(const std::u16string& videoId) = 0;
    };

    PlayVideoRequest(Feed& feed, Player& player, History& history, Panel& panel);

    // Starts a request for the typed text. False when it ended at once: the text was
    // rejected, or a request or another fetch is still running (a second one cannot start).
    bool start(const std::u16string& typed);
    bool running() const { return m_running; }

    // Plays the record's video without a request and without touching the history.
    void PlayFromHistory(const HistoryItem& item);

private:
    void onFeedAnswer(const std::u16string& videoId, FeedResult result,
                      const std::u16string& feedText);

    Feed& m_feed;
    Player& m_player;
    History& m_history;
    Panel& m_panel;
    bool m_running = false;
};

} // namespace kestrova

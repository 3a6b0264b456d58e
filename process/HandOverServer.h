#pragma once

#include <memory>
#include <string>

#include <QLoggingCategory>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace kestrova {

// One Kestrova per data folder: the lock, the hand-over of later starts. Off unless debugging
// is wanted (-D274).
Q_DECLARE_LOGGING_CATEGORY(lcInstance)

// Takes the addresses that later starts with the same data folder hand over (HandOver.h), on
// the GUI thread and without ever waiting there: a request arrives in pieces as the socket
// has them, and one that has not ended within kRequestLimitMs is dropped unanswered.
class HandOverServer : public QObject {
    Q_OBJECT

public:
    static constexpr int kRequestLimitMs = 2000;

    explicit HandOverServer(const std::string& socketName);
    ~HandOverServer() override;

    bool listening() const { return m_listening >= 0; }

signals:
    // A later start was answered; its address (UTF-8 on the command line), empty when it gave
    // none.
    void handedOver(const QString& address);

private:
    struct Request;

    void acceptWaiting();
    void readFrom(Request* request);
    void drop(Request* request);

    int m_listening = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace kestrova

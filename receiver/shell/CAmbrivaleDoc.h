#pragma once
// The GuidePost being received: the text it was opened with, and the
// receive session that receives it. The session calls in from its own
// threads; the document hands every event on to the GUI thread as a signal,
// so the windows only ever see it there. No widget code here.

#include "receiver/engine/ReceiveQuestion.h"
#include "receiver/engine/ReceiveResult.h"
#include "receiver/engine/ReceiveSnapshot.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class CAmbrivaleApp;

namespace receive {
class ReceiveSession;
struct SessionEvent;
}

class CAmbrivaleDoc : public QObject {
    Q_OBJECT
public:
    explicit CAmbrivaleDoc(CAmbrivaleApp& app);
    ~CAmbrivaleDoc() override;

    enum class OpenResult {
        Started,   // the receive runs
        Recorded,  // during start-up: started once the window is shown
        Refused,   // a receive is still running, stopping or finishing
    };
    // The open operation for a path or address.
    OpenResult onOpenDocument(const QString& source);
    // Starts the receive of the document opened last.
    bool startReceive();

    // A receive runs, a stop is pending or its events are still being finished.
    bool isBusy() const;
    bool stopRequested() const;
    void cancel();
    // Answers the pending question (false when it is no longer pending).
    bool answer(std::uint64_t questionId, const receive::Answer& answer);
    receive::ReceiveSnapshot snapshot() const;

    const QString& pathName() const { return pathName_; }
    bool openedDuringStartUp() const { return openedDuringStartUp_; }
    // The document is emptied at the end of each receive.
    void deleteContents();

signals:
    void receiveStarted();
    void taskChanged(const QString& name);
    void sourceChanged(const QString& name);
    void fileListChanged(const QString& name);
    void questionAsked(quint64 questionId, const receive::Question& question);
    void questionWithdrawn(quint64 questionId);
    void openRequested(const QString& target);
    void receiveEnded(const receive::ReceiveResult& result, bool openedDuringStartUp);

private:
    // GUI thread: one event of the session.
    void dispatch(const receive::SessionEvent& event);
    void end();

    CAmbrivaleApp& app_;
    QString pathName_;
    bool openedDuringStartUp_ = false;
    std::unique_ptr<receive::ReceiveSession> session_;
};

Q_DECLARE_METATYPE(receive::Question)
Q_DECLARE_METATYPE(receive::ReceiveResult)

#pragma once
// The rare things a receive session tells its host, as typed values: a task,
// source or file list begins, a question waits for its answer, the user asked
// for a page in the middle of the receive, the receive has ended. Progress is
// not among them: the host reads it from the snapshot.

#include "receiver/engine/ReceiveQuestion.h"

#include <cstdint>
#include <string>

namespace receive {

enum class SessionEventKind {
    TaskChanged,      // name: the task now received
    SourceChanged,    // name: the source now received
    FileListChanged,  // name: the file list now received
    // A question waits: answer it with ReceiveSession::answer(questionId, ...).
    // Only one is pending at a time.
    QuestionAsked,
    // The pending question was settled without the host (cancel() answered
    // it with its close button): a window closes its dialog.
    QuestionWithdrawn,
    // The user asked for a page while receiving (a certification site):
    // name is the address or path; the host opens it.
    OpenRequested,
    // The receive is over; ReceiveSession::result() is ready. Always last.
    Ended,
};

struct SessionEvent {
    SessionEventKind kind = SessionEventKind::Ended;
    std::string name;
    std::uint64_t questionId = 0;  // QuestionAsked, QuestionWithdrawn
    Question question;             // QuestionAsked
};

} // namespace receive

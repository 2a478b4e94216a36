#pragma once
// Shows each question of the engine in its own dialog, without blocking:
// the answer comes back through a callback once the dialog closes.

#include "receiver/engine/ReceiveQuestion.h"

#include <functional>

class QWidget;
class QuestionDialog;

class QuestionAsker {
public:
    // The dialog for the question (not shown).
    static QuestionDialog* create(const receive::Question& question, QWidget* parent);

    // Shows it modal to the application and calls done with the answer when
    // it closes; the dialog deletes itself afterwards.
    static QuestionDialog* ask(const receive::Question& question, QWidget* parent,
                               std::function<void(const receive::Answer&)> done);
};

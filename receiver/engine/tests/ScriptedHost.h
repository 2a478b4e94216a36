#pragma once
// A host that answers the engine's questions from a script, as a user would,
// and keeps what was posted and asked.

#include "receiver/engine/ReceiveHost.h"

#include <deque>
#include <map>
#include <mutex>
#include <vector>

namespace receive::test {

class ScriptedHost : public ReceiveHost {
public:
    // Answers for one kind of question, in order; when they run out the
    // question's default button is taken.
    void script(QuestionKind kind, std::vector<Answer> answers)
    {
        for (auto& a : answers)
            scripts_[kind].push_back(std::move(a));
    }
    void script(QuestionKind kind, std::initializer_list<int> buttons)
    {
        for (int b : buttons)
            scripts_[kind].push_back(Answer{b, {}, {}});
    }

    void post(ReceiveNotice message, std::int64_t value) override
    {
        std::lock_guard lock(mutex_);
        posted.emplace_back(message, value);
    }
    Answer ask(const Question& question) override
    {
        asked.push_back(question);
        auto& queue = scripts_[question.kind];
        if (queue.empty())
            return Answer{question.defaultButton, {}, {}};
        Answer a = queue.front();
        queue.pop_front();
        return a;
    }
    void open(const std::string& target) override
    {
        std::lock_guard lock(mutex_);
        opened.push_back(target);
    }
    int count(QuestionKind kind) const
    {
        int n = 0;
        for (const auto& q : asked)
            n += q.kind == kind;
        return n;
    }

    std::vector<std::pair<ReceiveNotice, std::int64_t>> posted;
    std::vector<Question> asked;
    std::vector<std::string> opened;

private:
    std::mutex mutex_;
    std::map<QuestionKind, std::deque<Answer>> scripts_;
};

} // namespace receive::test

#pragma once
// Answers the message boxes a window raises while a test drives it: each box
// is noted (caption, text, icon), optionally rendered to PNG, and closed with
// the next answer of the list (OK once the list is used up).

#include "styles/dialog/tests/Screenshot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <string>
#include <utility>
#include <vector>

namespace widgettest {

struct SeenBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

class ModalAnswerer {
public:
    explicit ModalAnswerer(std::vector<QMessageBox::StandardButton> answers = {},
                           std::vector<std::string> screenshots = {})
        : answers_(std::move(answers)), screenshots_(std::move(screenshots))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { answerOpenBox(); });
        timer_.start(10);
    }

    const std::vector<SeenBox>& seen() const { return seen_; }

    // For boxes that come after work on another thread: runs the event loop
    // until `count` boxes were answered (at most 20 s).
    const std::vector<SeenBox>& waitFor(std::size_t count)
    {
        QDeadlineTimer deadline(20000);
        while (seen_.size() < count && !deadline.hasExpired())
            QTest::qWait(10);
        return seen_;
    }
    QString lastText() const { return seen_.empty() ? QString() : seen_.back().text; }

private:
    void answerOpenBox()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (!box || !box->isVisible())
                continue;
            const std::size_t n = seen_.size();
            seen_.push_back({box->windowTitle(), box->text(), box->icon()});
            if (n < screenshots_.size() && !screenshots_[n].empty())
                saveScreenshot(box, screenshots_[n]);
            const QMessageBox::StandardButton answer = n < answers_.size() ? answers_[n] : QMessageBox::Ok;
            if (QAbstractButton* button = box->button(answer))
                button->click();
            else
                box->done(answer);
            return;
        }
    }

    std::vector<QMessageBox::StandardButton> answers_;
    std::vector<std::string> screenshots_;
    std::vector<SeenBox> seen_;
    QTimer timer_;
};

} // namespace widgettest

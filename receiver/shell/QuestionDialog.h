#pragma once
// What every dialog of the engine's questions shares: the question it shows,
// its labelled values, its text and icon, and the answer it gives: the
// button chosen, or the close button's answer when the window is closed.

#include "receiver/engine/ReceiveQuestion.h"

#include <QDialog>

class QAbstractButton;
class QBoxLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

class QuestionDialog : public QDialog {
    Q_OBJECT
public:
    const receive::Question& question() const { return question_; }
    // Valid once the dialog has finished.
    const receive::Answer& answer() const { return answer_; }

    // The dialog's text of a question text or button label: the engine breaks
    // lines with "\r" or "\r\n".
    static QString display(const std::string& text);

    void reject() override;

protected:
    QuestionDialog(const receive::Question& question, QWidget* parent);

    // Ends the dialog with a button's answer (and what was typed).
    void choose(int button);
    // Puts what the user typed into the answer (dialogs with edits).
    virtual void collectText(receive::Answer&) const {}

    // Pieces the dialogs are built from.
    QVBoxLayout* body() const { return body_; }
    QLabel* addText(const std::string& text);
    // The question's labelled values as read-only fields.
    void addFields();
    QLineEdit* addField(const QString& label, const QString& value, bool readOnly);
    // A button for answer index; the default button when the question says so.
    QPushButton* makeButton(int index);
    // Buttons index..index+count-1 stacked in layout, or in a frame titled title.
    QGroupBox* addButtonGroup(QBoxLayout* layout, const QString& title, int first, int count);
    void addButtonColumn(QBoxLayout* layout, int first, int count);
    // The question's icon beside the body, when it has one.
    void finishLayout();
    // The common build: text, values, one button per answer in a column.
    void buildPlain();

private:
    receive::Question question_;
    receive::Answer answer_;
    QVBoxLayout* body_;
    class QFormLayout* fields_ = nullptr;
};

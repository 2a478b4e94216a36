#pragma once
// The guide "Glimmora アシスタント": which of its ten steps is shown, how the
// step follows the user around the main dialog, and where each step sends
// the focus. The window shows text() and focuses focusTarget() after every
// change.

#include <string>

namespace album {

class AlbumAssistant {
public:
    static constexpr int firstStep = 0;
    static constexpr int lastStep = 9;

    // The controls the guide knows.
    enum class Field {
        None,
        Creator,
        Title,
        Subtitle,
        SubtitleCheck,
        Date,
        Style,
    };

    int step() const { return step_; }
    const char* text() const;

    // "次へ" and "戻る", within 0..9.
    void next();
    void back();

    // A control received the focus: the name, title and subtitle fields
    // lead to steps 1, 2 and 3, the date to 4, the style selection to 7.
    void focused(Field field);
    // "サブタイトルを使う" was checked.
    void subtitleChecked() { step_ = 3; }
    // Files were added (button or drop).
    void filesAdded() { step_ = 6; }
    // "新規", or a read-back that was refused.
    void reset() { step_ = firstStep; }

    // Where the step sends the focus; the subtitle field only while it is in
    // use, else its check box.
    Field focusTarget(bool subtitleInUse) const;

private:
    int step_ = firstStep;
};

} // namespace album

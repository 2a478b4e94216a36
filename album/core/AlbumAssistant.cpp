#include "album/core/AlbumAssistant.h"

#include "album/core/AlbumTexts.h"

#include <algorithm>

namespace album {

const char* AlbumAssistant::text() const
{
    return texts::assistantSteps[step_];
}

void AlbumAssistant::next()
{
    step_ = std::min(step_ + 1, lastStep);
}

void AlbumAssistant::back()
{
    step_ = std::max(step_ - 1, firstStep);
}

void AlbumAssistant::focused(Field field)
{
    switch (field) {
    case Field::Creator:
        step_ = 1;
        break;
    case Field::Title:
        step_ = 2;
        break;
    case Field::Subtitle:
        step_ = 3;
        break;
    case Field::Date:
        step_ = 4;
        break;
    case Field::Style:
        step_ = 7;
        break;
    case Field::SubtitleCheck:
    case Field::None:
        break;
    }
}

AlbumAssistant::Field AlbumAssistant::focusTarget(bool subtitleInUse) const
{
    switch (step_) {
    case 1:
        return Field::Creator;
    case 2:
        return Field::Title;
    case 3:
        return subtitleInUse ? Field::Subtitle : Field::SubtitleCheck;
    case 4:
        return Field::Date;
    case 7:
        return Field::Style;
    default:
        return Field::None;
    }
}

} // namespace album

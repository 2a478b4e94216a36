#pragma once
// The dialog "設定": the picture limit, "幅" and "高さ" in pixels.

#include "album/core/PictureFit.h"

#include <QDialog>

class QSpinBox;

namespace glimmora {

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingsDialog(album::PictureSize limit, QWidget* parent = nullptr);

    album::PictureSize limit() const;
    QSpinBox* widthField() const { return width_; }
    QSpinBox* heightField() const { return height_; }

private:
    QSpinBox* width_;
    QSpinBox* height_;
};

} // namespace glimmora

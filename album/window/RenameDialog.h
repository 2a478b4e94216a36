#pragma once
// The dialog "保存名の変更": a new save name ("保存名") for the file shown
// read-only below it ("ファイル名").

#include <QDialog>

class QLineEdit;

namespace glimmora {

class RenameDialog : public QDialog {
    Q_OBJECT
public:
    RenameDialog(const QString& saveName, const QString& path, QWidget* parent = nullptr);

    QString saveName() const;
    QLineEdit* saveNameField() const { return saveName_; }

private:
    QLineEdit* saveName_;
};

} // namespace glimmora

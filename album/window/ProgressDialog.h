#pragma once
// The dialog "処理" shown while added files are worked off: "%d/%d" (entries
// done, entries in all), a bar, and "中止". Closing it is "中止" too.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace glimmora {

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(QWidget* parent = nullptr);

    // `permille` is how far the current entry is.
    void showProgress(int done, int total, int permille);
    // "中止しています...": the stop was asked for and the work is ending.
    void showStopping();

signals:
    void stopRequested();

public slots:
    void reject() override;

private:
    QLabel* count_;
    QProgressBar* bar_;
    QPushButton* stop_;
};

} // namespace glimmora

#pragma once
// "ファイル受信": where the receive stands (status, task, source and file
// list names, four counters, the bytes of the file now received) and 中止.
// Modeless; hidden, not destroyed, between receives.

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace receive {
struct ReceiveSnapshot;
}

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CProgressDlg(QWidget* parent = nullptr);

    // Counters "0/0", "受信待機中", no names, an empty bar.
    void reset();
    // Shows a snapshot; only what changed is redrawn.
    void showSnapshot(const receive::ReceiveSnapshot& snapshot);

    QPushButton* stopButton() const { return stop_; }
    QString statusText() const;
    QString byteText() const;

    // 中止 and the close box ask for a stop; the dialog stays until the end.
    void reject() override;

signals:
    void stopRequested();

private:
    void setIfChanged(QLabel* label, const QString& text);

    QLineEdit* status_;
    QLabel* task_;
    QLabel* source_;
    QLabel* fileList_;
    QLabel* taskCount_;
    QLabel* sourceCount_;
    QLabel* fileListCount_;
    QLabel* fileCount_;
    QProgressBar* bar_;
    QLabel* bytes_;
    QPushButton* stop_;
    bool stopping_ = false;
};

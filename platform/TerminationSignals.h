#pragma once
// SIGTERM, SIGINT and SIGHUP (the desktop logging out, Ctrl-C in the
// terminal that started the program) as a Qt signal on the GUI thread, so
// that the program ends through its own clean-up and leaves no work folder
// behind.

#include <QObject>

class QSocketNotifier;

namespace platform {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested();

private:
    void readSignal();

    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform

#pragma once
// "PROXYサーバ": the receiver's HTTP and FTP proxies. A group's fields can be
// edited only while its box is ticked; an unticked group keeps its values.

#include "receiver/engine/ProxySettings.h"

#include <QDialog>

class QGroupBox;
class QLineEdit;

class CSetProxyDlg : public QDialog {
    Q_OBJECT
public:
    CSetProxyDlg(const receive::ProxySettings& current, QWidget* parent = nullptr);

    // The settings as the dialog leaves them (after OK).
    receive::ProxySettings result() const;

    struct Group {
        QGroupBox* box = nullptr;
        QLineEdit* server = nullptr;
        QLineEdit* port = nullptr;
        QLineEdit* id = nullptr;
        QLineEdit* password = nullptr;
    };
    const Group& httpGroup() const { return http_; }
    const Group& ftpGroup() const { return ftp_; }

private:
    Group makeGroup(const char* title, const receive::ProxySet& set);
    static receive::ProxySet take(const Group& group, const receive::ProxySet& previous);

    receive::ProxySettings current_;
    Group http_;
    Group ftp_;
};

#pragma once
// Confirms one server (server, protocol, port, account) before its files are
// received (the "confirm each server" mode).

#include "receiver/shell/QuestionDialog.h"

class CServerInfo : public QuestionDialog {
    Q_OBJECT
public:
    CServerInfo(const receive::Question& question, QWidget* parent = nullptr);
};

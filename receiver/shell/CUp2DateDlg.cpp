#include "receiver/shell/CUp2DateDlg.h"

CUp2DateDlg::CUp2DateDlg(const receive::Question& question, QWidget* parent) : UpdateChoiceDialog(question, parent) {}

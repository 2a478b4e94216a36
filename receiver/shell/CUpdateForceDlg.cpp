#include "receiver/shell/CUpdateForceDlg.h"

CUpdateForceDlg::CUpdateForceDlg(const receive::Question& question, QWidget* parent) : UpdateChoiceDialog(question, parent) {}

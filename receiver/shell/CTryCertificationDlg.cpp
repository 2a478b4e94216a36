#include "receiver/shell/CTryCertificationDlg.h"

CTryCertificationDlg::CTryCertificationDlg(const receive::Question& question, QWidget* parent) : QuestionDialog(question, parent)
{
    buildPlain();
}

#include "receiver/shell/CNotCertifiedDlg.h"

CNotCertifiedDlg::CNotCertifiedDlg(const receive::Question& question, QWidget* parent) : QuestionDialog(question, parent)
{
    buildPlain();
}

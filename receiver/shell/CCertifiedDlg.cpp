#include "receiver/shell/CCertifiedDlg.h"

CCertifiedDlg::CCertifiedDlg(const receive::Question& question, QWidget* parent) : QuestionDialog(question, parent)
{
    buildPlain();
}

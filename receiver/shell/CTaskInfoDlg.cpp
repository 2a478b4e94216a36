#include "receiver/shell/CTaskInfoDlg.h"

CTaskInfoDlg::CTaskInfoDlg(const receive::Question& question, QWidget* parent) : QuestionDialog(question, parent)
{
    buildPlain();
}

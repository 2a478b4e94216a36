#include "receiver/shell/CServerInfo.h"

CServerInfo::CServerInfo(const receive::Question& question, QWidget* parent) : QuestionDialog(question, parent)
{
    buildPlain();
}

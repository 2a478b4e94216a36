#include "receiver/shell/CCheckOverWriteDlg.h"

#include "receiver/shell/ShellTexts.h"

#include <QVBoxLayout>

using namespace receive;

CCheckOverWriteDlg::CCheckOverWriteDlg(const Question& question, QWidget* parent)
    : QuestionDialog(question, parent)
{
    addText(question.text);
    addButtonColumn(body(), OverwriteThis, 3);
    addButtonGroup(body(), QString::fromUtf8(shell::texts::forAdvancedUsers), OverwriteOnlyNew, 1);
    addButtonColumn(body(), OverwriteStopAll, 1);
    finishLayout();
}

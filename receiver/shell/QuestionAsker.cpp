#include "receiver/shell/QuestionAsker.h"

#include "receiver/shell/CCertifiedDlg.h"
#include "receiver/shell/CCheckOverWriteDlg.h"
#include "receiver/shell/CEncryption.h"
#include "receiver/shell/CIDandPass.h"
#include "receiver/shell/CInputPassDlg.h"
#include "receiver/shell/CNotCertifiedDlg.h"
#include "receiver/shell/CServerInfo.h"
#include "receiver/shell/CTaskInfoDlg.h"
#include "receiver/shell/CTryCertificationDlg.h"
#include "receiver/shell/CUp2DateDlg.h"
#include "receiver/shell/CUpdateForceDlg.h"
#include "receiver/shell/CWelcomeDlg.h"
#include "receiver/shell/QuestionMessageBox.h"

using receive::QuestionKind;

QuestionDialog* QuestionAsker::create(const receive::Question& q, QWidget* parent)
{
    switch (q.kind) {
    case QuestionKind::Welcome: return new CWelcomeDlg(q, parent);
    case QuestionKind::TaskConfirm: return new CTaskInfoDlg(q, parent);
    case QuestionKind::ServerConfirm: return new CServerInfo(q, parent);
    case QuestionKind::UpdateForce: return new CUpdateForceDlg(q, parent);
    case QuestionKind::UpdateUp2Date: return new CUp2DateDlg(q, parent);
    case QuestionKind::Overwrite: return new CCheckOverWriteDlg(q, parent);
    case QuestionKind::CipherCode: return new CEncryption(q, parent);
    case QuestionKind::Password: return new CInputPassDlg(q, parent);
    case QuestionKind::IdAndPassword: return new CIDandPass(q, parent);
    case QuestionKind::TryCertification: return new CTryCertificationDlg(q, parent);
    case QuestionKind::NotCertified: return new CNotCertifiedDlg(q, parent);
    case QuestionKind::Certified: return new CCertifiedDlg(q, parent);
    case QuestionKind::IfNotExist:
    case QuestionKind::FolderDepth:
    case QuestionKind::Notice: break;
    }
    return new QuestionMessageBox(q, parent);
}

QuestionDialog* QuestionAsker::ask(const receive::Question& question, QWidget* parent,
                                   std::function<void(const receive::Answer&)> done)
{
    QuestionDialog* dialog = create(question, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    QObject::connect(dialog, &QDialog::finished, dialog,
                     [dialog, done = std::move(done)](int) { done(dialog->answer()); });
    dialog->show();
    return dialog;
}

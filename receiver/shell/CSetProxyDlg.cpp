#include "receiver/shell/CSetProxyDlg.h"

#include "receiver/shell/ShellTexts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using receive::ProxySet;
using receive::ProxySettings;

namespace {

QString tr8(const char* text) { return QString::fromUtf8(text); }

} // namespace

CSetProxyDlg::CSetProxyDlg(const ProxySettings& current, QWidget* parent) : QDialog(parent), current_(current)
{
    setWindowTitle(tr8(shell::texts::proxyCaption));
    auto* layout = new QVBoxLayout(this);
    http_ = makeGroup(shell::texts::proxyHttp, current.http);
    ftp_ = makeGroup(shell::texts::proxyFtp, current.ftp);
    layout->addWidget(http_.box);
    layout->addWidget(ftp_.box);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(tr8(shell::texts::okButton), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(tr8(shell::texts::cancelButton), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

CSetProxyDlg::Group CSetProxyDlg::makeGroup(const char* title, const ProxySet& set)
{
    Group g;
    g.box = new QGroupBox(tr8(title));
    // The box's own check box enables its fields.
    g.box->setCheckable(true);
    g.box->setChecked(set.inUse);
    auto* form = new QFormLayout(g.box);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto field = [form](const char* label, const std::string& value, int maxLength) {
        auto* edit = new QLineEdit(QString::fromStdString(value));
        edit->setMaxLength(maxLength);
        form->addRow(tr8(label), edit);
        return edit;
    };
    g.server = field(shell::texts::proxyServer, set.server, 260);
    g.server->setMinimumWidth(320);
    g.port = field(shell::texts::proxyPort, set.port > 0 ? std::to_string(set.port) : std::string(), 8);
    g.port->setValidator(new QIntValidator(0, 65535, g.port));
    g.id = field(shell::texts::proxyId, set.user, 64);
    g.password = field(shell::texts::proxyPassword, set.password, 64);
    g.password->setEchoMode(QLineEdit::Password);
    return g;
}

ProxySet CSetProxyDlg::take(const Group& group, const ProxySet& previous)
{
    ProxySet set = previous;
    set.inUse = group.box->isChecked();
    if (!set.inUse)
        return set;
    set.server = group.server->text().toStdString();
    set.user = group.id->text().toStdString();
    set.password = group.password->text().toStdString();
    // An emptied field clears the port (it shows empty for 0 as well).
    bool ok = false;
    const int port = group.port->text().trimmed().toInt(&ok);
    set.port = ok && port >= 0 && port <= 65535 ? port : 0;
    return set;
}

ProxySettings CSetProxyDlg::result() const
{
    ProxySettings s = current_;
    s.http = take(http_, current_.http);
    s.ftp = take(ftp_, current_.ftp);
    return s;
}

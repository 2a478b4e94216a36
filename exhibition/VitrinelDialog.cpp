#include "VitrinelDialog.h"

#include "VitrinelTexts.h"

#include "platform/DesktopOpener.h"
#include "styles/dialog/AboutItem.h"
#include "styles/dialog/AccessKey.h"
#include "styles/dialog/MessageBoxes.h"
#include "styles/dialog/StyleDialog.h"
#include "styles/dialog/WindowGeometry.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

namespace vitrinel {

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QPushButton* makeButton(const char* label, const char* name, char key)
{
    auto* button = new QPushButton(dialogs::withAccessKey(label, key));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

VitrinelDialog::VitrinelDialog(Exhibition& exhibition, QWidget* parent)
    : QDialog(parent),
      exhibition_(exhibition),
      manager_(exhibition.host(), styles::StyleProgram::exhibition(), exhibition.saveRoot())
{
    setWindowTitle(text(texts::programName));
    setWindowIcon(QIcon(QStringLiteral(":/icons/vitrinel.svg")));
    dialogs::addAboutItem(this, text(texts::programName), text(texts::version));

    auto* showButton = makeButton(texts::showPageButton, "showPageButton", 'V');
    auto* createButton = makeButton(texts::createButton, "createButton", 'C');
    createButton->setDefault(true);
    auto* manageButton = makeButton(texts::manageStylesButton, "manageStylesButton", 'M');
    auto* helpButton = makeButton(texts::helpButton, "helpButton", 'H');
    auto* exitButton = makeButton(texts::exitButton, "exitButton", 'X');

    styleBox_ = new QComboBox;
    styleBox_->setObjectName(QStringLiteral("styleSelection"));
    styleBox_->setMinimumContentsLength(16);
    description_ = new QLabel;
    description_->setObjectName(QStringLiteral("styleDescription"));
    description_->setWordWrap(true);
    description_->setTextFormat(Qt::PlainText);
    description_->setMinimumHeight(description_->fontMetrics().lineSpacing() * 2);

    auto* creation = new QGroupBox(text(texts::styleLabel));
    auto* grid = new QGridLayout(creation);
    grid->addWidget(styleBox_, 0, 0);
    grid->addWidget(createButton, 0, 1);
    grid->addWidget(description_, 1, 0, 1, 2);
    grid->setColumnStretch(0, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(manageButton);
    bottom->addWidget(helpButton);
    bottom->addStretch(1);
    bottom->addWidget(exitButton);

    auto* layout = new QVBoxLayout(this);
    setMinimumWidth(440);
    layout->addWidget(showButton);
    layout->addWidget(creation);
    layout->addLayout(bottom);

    connect(showButton, &QPushButton::clicked, this, &VitrinelDialog::showPage);
    connect(createButton, &QPushButton::clicked, this, &VitrinelDialog::createPage);
    connect(manageButton, &QPushButton::clicked, this, &VitrinelDialog::manageStyles);
    connect(helpButton, &QPushButton::clicked, this, &VitrinelDialog::openHelp);
    connect(exitButton, &QPushButton::clicked, this, &VitrinelDialog::reject);
    connect(styleBox_, &QComboBox::currentIndexChanged, this, &VitrinelDialog::showDescription);

    fillStyles();
    place_ = new dialogs::WindowPlace(this, texts::programName);
    // Choose with the arrows, create with Enter.
    styleBox_->setFocus();
}

VitrinelDialog::~VitrinelDialog()
{
    if (creating_)
        creating_->wait();
}

bool VitrinelDialog::checkSaveRoot(const std::string& saveRoot, QWidget* parent)
{
    if (!saveRoot.empty())
        return true;
    dialogs::inform(parent, text(texts::programName), texts::noSaveRoot, QMessageBox::Warning);
    return false;
}

void VitrinelDialog::fillStyles()
{
    // Keep the style the user had chosen when it is still offered.
    std::string kept;
    const int current = styleBox_->currentIndex();
    if (current >= 0 && static_cast<std::size_t>(current) < choices_.size())
        kept = styleBox_->currentData().toString().toStdString();
    choices_ = exhibition_.choices();
    styleBox_->clear();
    for (const styles::VTStyleChoice& choice : choices_)
        styleBox_->addItem(QString::fromStdString(choice.name), QString::fromStdString(exhibition_.choiceName(choice)));
    const int again = styleBox_->findData(QString::fromStdString(kept));
    styleBox_->setCurrentIndex(again >= 0 ? again : (choices_.empty() ? -1 : 0));
    showDescription();
}

void VitrinelDialog::showDescription()
{
    const int current = styleBox_->currentIndex();
    description_->setText(current >= 0 && static_cast<std::size_t>(current) < choices_.size()
                              ? QString::fromStdString(choices_[static_cast<std::size_t>(current)].description)
                              : QString());
}

void VitrinelDialog::openOrTell(const std::string& target, const char* failure)
{
    if (target.empty()) { // beside a program whose folder is unknown
        dialogs::showError(this, failure);
        return;
    }
    platform::DesktopOpener::open(target, this, [this, failure](bool opened) {
        if (!opened)
            dialogs::showError(this, failure);
    });
}

void VitrinelDialog::showPage()
{
    openOrTell(exhibition_.indexPage(), texts::cannotShowPage);
}

void VitrinelDialog::createPage()
{
    if (creating_)
        return;
    std::optional<styles::VTStyleChoice> choice;
    const int current = styleBox_->currentIndex();
    if (current >= 0 && static_cast<std::size_t>(current) < choices_.size())
        choice = choices_[static_cast<std::size_t>(current)];
    if (!choice) {
        dialogs::showError(this, exhibition_.create(choice).message);
        return;
    }
    // Only this thread calls into the module until it ends: the dialog is
    // greyed and neither exit nor style management can free the module.
    creating_ = QThread::create([this, choice] { created_ = exhibition_.create(choice); });
    connect(creating_, &QThread::finished, this, &VitrinelDialog::finishCreate);
    setEnabled(false);
    setCursor(Qt::BusyCursor);
    creating_->start();
}

void VitrinelDialog::finishCreate()
{
    creating_->deleteLater();
    creating_ = nullptr;
    setEnabled(true);
    unsetCursor();
    if (created_.outcome != CreateResult::Outcome::Created) {
        dialogs::showError(this, created_.message);
        return;
    }
    dialogs::inform(this, text(texts::createdCaption), created_.message);
    openOrTell(created_.page, texts::cannotShowPage);
}

void VitrinelDialog::manageStyles()
{
    dialogs::StyleDialog dialog(manager_, this);
    connect(&dialog, &dialogs::StyleDialog::stylesChanged, this, &VitrinelDialog::fillStyles);
    dialog.exec();
}

void VitrinelDialog::openHelp()
{
    openOrTell(Exhibition::helpFile(), texts::cannotOpenHelp);
}

void VitrinelDialog::done(int result)
{
    place_->keep();
    QDialog::done(result);
}

void VitrinelDialog::reject()
{
    if (creating_)
        return; // the page is being written; the dialog answers when it is done
    if (!dialogs::confirm(this, text(texts::programName), texts::exitQuestion))
        return;
    exhibition_.host().unload();
    choices_.clear();
    QDialog::reject();
}

} // namespace vitrinel

#include "StyleDialog.h"

#include "AccessKey.h"
#include "MessageBoxes.h"
#include "platform/DesktopOpener.h"

#include "styles/host/StyleTexts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace dialogs {
namespace texts = styles::texts;

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QTreeWidget* makeList(const std::initializer_list<std::pair<const char*, int>>& columns, const char* name)
{
    auto* list = new QTreeWidget;
    list->setObjectName(QString::fromLatin1(name));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setAllColumnsShowFocus(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    QStringList headers;
    for (const auto& column : columns)
        headers << text(column.first);
    list->setHeaderLabels(headers);
    int i = 0;
    int width = 0;
    for (const auto& column : columns) {
        list->setColumnWidth(i++, column.second);
        width += column.second;
    }
    list->header()->setStretchLastSection(true);
    // Room for every column and the frame, so nothing starts out cut off.
    list->setMinimumWidth(width + 2 * list->frameWidth() + 4);
    return list;
}

} // namespace

StyleDialog::StyleDialog(styles::StyleManager& manager, QWidget* parent)
    : QDialog(parent), manager_(manager)
{
    setWindowTitle(text(texts::dialogTitle));

    modules_ = makeList({{texts::moduleNameColumn, 150}, {texts::creatorColumn, 100}, {texts::versionColumn, 50},
                         {texts::commentColumn, 250}, {texts::locationColumn, 70}},
                        "moduleList");
    styles_ = makeList({{texts::styleNameColumn, 150}, {texts::styleDescriptionColumn, 250}}, "styleList");
    styles_->setSelectionMode(QAbstractItemView::NoSelection);

    auto* lists = new QVBoxLayout;
    auto* moduleLabel = new QLabel(withAccessKey(texts::moduleListLabel, 'M'));
    moduleLabel->setBuddy(modules_);
    lists->addWidget(moduleLabel);
    if (const std::string problem = manager_.host().loadProblem(); !problem.empty()) {
        auto* why = new QLabel(QString::fromStdString(problem));
        why->setObjectName(QStringLiteral("loadProblem"));
        why->setTextFormat(Qt::PlainText);
        why->setWordWrap(true);
        lists->addWidget(why);
    }
    lists->addWidget(modules_, 3);
    lists->addWidget(new QLabel(text(texts::styleListLabel)));
    lists->addWidget(styles_, 2);

    deleteButton_ = new QPushButton(withAccessKey(texts::deleteButton, 'D'));
    deleteButton_->setObjectName(QStringLiteral("deleteButton"));
    auto* updateButton = new QPushButton(withAccessKey(texts::updateButton, 'U'));
    updateButton->setObjectName(QStringLiteral("updateButton"));
    auto* homeButton = new QPushButton(withAccessKey(manager_.program().homePageLabel, 'H'));
    homeButton->setObjectName(QStringLiteral("homePageButton"));
    auto* okButton = new QPushButton(QLatin1Char('&') + text(texts::okButton));
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    for (QPushButton* b : {deleteButton_, updateButton, homeButton})
        b->setAutoDefault(false);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(deleteButton_);
    buttons->addWidget(updateButton);
    buttons->addWidget(homeButton);
    buttons->addStretch(1);
    buttons->addWidget(okButton);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);

    connect(modules_, &QTreeWidget::itemSelectionChanged, this, &StyleDialog::showStylesOfSelection);
    connect(deleteButton_, &QPushButton::clicked, this, &StyleDialog::deleteModule);
    connect(updateButton, &QPushButton::clicked, this, &StyleDialog::updateModules);
    connect(homeButton, &QPushButton::clicked, this, &StyleDialog::openHomePage);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    fillModules();
    // Wide enough at the start to show the modules' comments whole, as far
    // as a screen allows; the tooltip carries the rest.
    int commentWidth = 250;
    for (int row = 0; row < modules_->topLevelItemCount(); ++row)
        commentWidth = std::max(commentWidth, modules_->fontMetrics().horizontalAdvance(modules_->topLevelItem(row)->text(3)) + 16);
    commentWidth = std::min(commentWidth, 560);
    modules_->setColumnWidth(3, commentWidth);
    resize(sizeHint().width() + commentWidth - 250, sizeHint().height());
}

void StyleDialog::fillModules()
{
    modules_->clear();
    styles_->clear();
    styles::StyleModuleHost& host = manager_.host();
    for (std::size_t i = 0; i < host.moduleCount(); ++i) {
        const styles::StyleModuleSummary module = host.moduleSummary(i);
        auto* row = new QTreeWidgetItem(modules_);
        row->setText(0, QString::fromStdString(module.name));
        row->setText(1, QString::fromStdString(module.creator));
        row->setText(2, QStringLiteral("%1.%2").arg(module.versionMajor).arg(module.versionMinor));
        row->setText(3, QString::fromStdString(module.description));
        row->setToolTip(3, QString::fromStdString(module.description));
        row->setText(4, text(module.installed ? texts::installedLocation : texts::userLocation));
        row->setToolTip(4, QString::fromStdString(module.path));
    }
    if (modules_->topLevelItemCount() > 0)
        modules_->setCurrentItem(modules_->topLevelItem(0));
    deleteButton_->setEnabled(modules_->topLevelItemCount() > 0);
}

void StyleDialog::showStylesOfSelection()
{
    styles_->clear();
    const int row = modules_->indexOfTopLevelItem(modules_->currentItem());
    if (row < 0 || static_cast<std::size_t>(row) >= manager_.host().moduleCount())
        return;
    for (const styles::StyleSummary& style : manager_.host().moduleStyles(static_cast<std::size_t>(row))) {
        auto* item = new QTreeWidgetItem(styles_);
        item->setText(0, QString::fromStdString(style.name));
        item->setText(1, QString::fromStdString(style.description));
        item->setToolTip(1, QString::fromStdString(style.description));
    }
}

void StyleDialog::deleteModule()
{
    const int row = modules_->indexOfTopLevelItem(modules_->currentItem());
    if (row < 0)
        return;
    const auto index = static_cast<std::size_t>(row);
    if (const std::string refusal = manager_.deleteRefusal(index); !refusal.empty()) {
        showError(this, refusal);
        return;
    }
    if (!confirm(this, text(texts::deleteQuestionCaption), manager_.deleteQuestion(index), QMessageBox::Warning))
        return;
    const styles::StyleDeleteReport report = manager_.remove(index);
    fillModules();
    emit stylesChanged();
    if (!report.deleted)
        showError(this, report.message);
}

void StyleDialog::updateModules()
{
    const styles::StyleUpdateReport report = manager_.update();
    using Outcome = styles::StyleUpdateReport::Outcome;
    const bool reloaded = report.outcome != Outcome::CannotUpdate && report.outcome != Outcome::NothingDelivered;
    if (reloaded) {
        fillModules();
        emit stylesChanged();
    }
    if (report.outcome == Outcome::CannotUpdate || report.outcome == Outcome::Failed)
        showError(this, report.message);
    else
        inform(this, text(manager_.program().programName), report.message);
}

void StyleDialog::openHomePage()
{
    platform::DesktopOpener::open(styles::StyleManager::homePage(), this, [this](bool opened) {
        if (!opened)
            showError(this, texts::homePageFailed);
    });
}

} // namespace dialogs

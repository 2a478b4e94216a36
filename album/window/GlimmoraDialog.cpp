#include "album/window/GlimmoraDialog.h"

#include "album/core/AlbumError.h"
#include "album/core/AlbumPublisher.h"
#include "album/core/AlbumTexts.h"
#include "album/core/JpegReader.h"
#include "album/core/PictureLimitSetting.h"
#include "album/window/Controls.h"
#include "album/window/ItemList.h"
#include "album/window/MediaAdmission.h"
#include "album/window/PendingQueue.h"
#include "album/window/PictureDialog.h"
#include "album/window/SettingsDialog.h"
#include "album/window/VideoDialog.h"
#include "album/window/VoiceDialog.h"
#include "platform/DesktopOpener.h"
#include "platform/Folders.h"
#include "platform/Shell.h"
#include "styles/dialog/AboutItem.h"
#include "styles/dialog/AccessKey.h"
#include "styles/dialog/MessageBoxes.h"
#include "styles/dialog/StyleDialog.h"
#include "styles/dialog/WindowGeometry.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>
#include <filesystem>

namespace glimmora {
namespace texts = album::texts;
using album::AlbumAssistant;
using Field = AlbumAssistant::Field;

namespace {

// "Text (*.a;*.b)|*.a;*.b||" as the file dialogs take it: "Text (*.a *.b)".
QString fileFilter(const char* filter)
{
    QString description = text(filter).section(QLatin1Char('|'), 0, 0);
    return description.replace(QLatin1Char(';'), QLatin1Char(' '));
}

QString programCaption()
{
    return text(texts::programName);
}

void showAlbumError(QWidget* parent, const album::AlbumError& error)
{
    std::string message = error.what();
    if (!error.detail().empty())
        message += "\r\n\r\n" + error.detail();
    dialogs::inform(parent, QString::fromStdString(error.caption()), message,
                    error.caption() == texts::errorCaption ? QMessageBox::Critical : QMessageBox::Warning);
}

QDate shownDate(const album::AlbumDate& date)
{
    return QDate(date.year, date.month, date.day);
}

} // namespace

GlimmoraDialog::GlimmoraDialog(album::Album& album, album::CvclibLibrary& library, styles::GMStyleHost& styles,
                               album::SoundDevice& sound, std::string saveRoot, QWidget* parent)
    : QDialog(parent),
      album_(album),
      library_(library),
      styles_(styles),
      manager_(styles, styles::StyleProgram::album(), std::move(saveRoot)),
      programFolder_(platform::Folders::programFolder())
{
    setObjectName(QStringLiteral("glimmoraDialog"));
    setWindowTitle(programCaption());
    setWindowIcon(QIcon(QStringLiteral(":/icons/glimmora.svg")));
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint);
    dialogs::addAboutItem(this, programCaption(), text(texts::programVersion));

    // Everything but the dialogs it opens, so that greying the window while
    // it waits leaves those usable.
    content_ = new QWidget;
    auto* layout = new QVBoxLayout(content_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildAssistant());
    layout->addWidget(buildFields());
    layout->addWidget(buildCommands());
    layout->addWidget(buildItems(), 1);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(content_);

    voice_ = new VoiceDialog(album_, sound, this);
    pictures_ = new PictureDialog(*voice_, this);
    videos_ = new VideoDialog(*voice_, this);
    queue_ = new PendingQueue(album_, *pictures_, *videos_, this);
    connect(queue_, &PendingQueue::started, this, &GlimmoraDialog::processingStarted);
    connect(queue_, &PendingQueue::finished, this, &GlimmoraDialog::processingFinished);
    connect(queue_, &PendingQueue::itemAccepted, this, &GlimmoraDialog::itemAdded);
    connect(queue_, &PendingQueue::itemDialogOpened, this, &GlimmoraDialog::itemDialogOpened);
    connect(qApp, &QApplication::focusChanged, this, &GlimmoraDialog::focusChanged);

    fillStyles();
    showAlbum();
    showStep(false);
    resize(620, 640);
    place_ = new dialogs::WindowPlace(this, album::PictureLimitSetting::section);
    creator_->setFocus();
}

GlimmoraDialog::~GlimmoraDialog()
{
    disconnect(qApp, &QApplication::focusChanged, this, &GlimmoraDialog::focusChanged);
    if (work_)
        work_->wait();
}

QWidget* GlimmoraDialog::buildAssistant()
{
    auto* box = new QGroupBox(text(texts::assistantCaption));
    box->setObjectName(QStringLiteral("assistant"));
    guide_ = new QPlainTextEdit;
    guide_->setObjectName(QStringLiteral("assistantText"));
    guide_->setReadOnly(true);
    guide_->setFocusPolicy(Qt::NoFocus);
    guide_->setFixedHeight(guide_->fontMetrics().lineSpacing() * 4 + 16);
    auto* next = makeButton(texts::nextButton, "nextButton", 'N');
    auto* back = makeButton(texts::backButton, "backButton", 'B');
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(next);
    buttons->addWidget(back);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(box);
    layout->addWidget(guide_, 1);
    layout->addLayout(buttons);
    connect(next, &QPushButton::clicked, this, &GlimmoraDialog::nextStep);
    connect(back, &QPushButton::clicked, this, &GlimmoraDialog::previousStep);
    return box;
}

QWidget* GlimmoraDialog::buildFields()
{
    auto* fields = new QWidget;
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);

    creator_ = new QLineEdit;
    creator_->setObjectName(QStringLiteral("creatorField"));
    title_ = new QLineEdit;
    title_->setObjectName(QStringLiteral("titleField"));
    useSubtitle_ = new QCheckBox(dialogs::withAccessKey(texts::useSubtitleLabel, 'U'));
    useSubtitle_->setObjectName(QStringLiteral("useSubtitle"));
    subtitle_ = new QLineEdit;
    subtitle_->setObjectName(QStringLiteral("subtitleField"));
    useDate_ = new QCheckBox(dialogs::withAccessKey(texts::dateLabel, 'I'));
    useDate_->setObjectName(QStringLiteral("useDate"));
    date_ = new QDateEdit;
    date_->setObjectName(QStringLiteral("dateField"));
    date_->setCalendarPopup(true);
    date_->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    styleBox_ = new QComboBox;
    styleBox_->setObjectName(QStringLiteral("styleSelection"));
    styleBox_->setMinimumContentsLength(16);
    auto* manage = makeButton(texts::manageStylesButton, "manageStylesButton", 'M');

    auto* creatorLabel = new QLabel(dialogs::withAccessKey(texts::creatorLabel, 'A'));
    creatorLabel->setBuddy(creator_);
    auto* titleLabel = new QLabel(dialogs::withAccessKey(texts::titleLabel, 'T'));
    titleLabel->setBuddy(title_);
    auto* styleLabel = new QLabel(dialogs::withAccessKey(texts::styleLabel, 'Y'));
    styleLabel->setBuddy(styleBox_);
    grid->addWidget(creatorLabel, 0, 0);
    grid->addWidget(creator_, 0, 1, 1, 2);
    grid->addWidget(titleLabel, 1, 0);
    grid->addWidget(title_, 1, 1, 1, 2);
    grid->addWidget(useSubtitle_, 2, 0);
    grid->addWidget(subtitle_, 2, 1, 1, 2);
    grid->addWidget(useDate_, 3, 0);
    grid->addWidget(date_, 3, 1);
    grid->addWidget(styleLabel, 4, 0);
    grid->addWidget(styleBox_, 4, 1);
    grid->addWidget(manage, 4, 2);
    grid->setColumnStretch(1, 1);

    connect(creator_, &QLineEdit::textChanged, this, [this](const QString& t) { album_.creator = t.toStdString(); });
    connect(title_, &QLineEdit::textChanged, this, [this](const QString& t) { album_.title = t.toStdString(); });
    connect(subtitle_, &QLineEdit::textChanged, this, [this](const QString& t) { album_.subtitle = t.toStdString(); });
    connect(useSubtitle_, &QCheckBox::toggled, this, &GlimmoraDialog::subtitleToggled);
    connect(useDate_, &QCheckBox::toggled, this, &GlimmoraDialog::dateChanged);
    connect(date_, &QDateEdit::dateChanged, this, &GlimmoraDialog::dateChanged);
    connect(styleBox_, &QComboBox::currentIndexChanged, this, &GlimmoraDialog::styleChosen);
    connect(manage, &QPushButton::clicked, this, &GlimmoraDialog::manageStyles);
    return fields;
}

QWidget* GlimmoraDialog::buildCommands()
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    const struct {
        const char* label;
        const char* name;
        char key;
    } buttons[] = {
        {texts::newButton, "newButton", 'W'},           {texts::readButton, "readButton", 'R'},
        {texts::saveButton, "saveButton", 'S'},         {texts::sendButton, "sendButton", 'L'},
        {texts::settingsButton, "settingsButton", 'G'}, {texts::helpButton, "helpButton", 'H'},
        {texts::exitButton, "exitButton", 'X'},
    };
    void (GlimmoraDialog::*handlers[])() = {&GlimmoraDialog::newAlbum,     &GlimmoraDialog::readAlbum,
                                         &GlimmoraDialog::saveAlbum,    &GlimmoraDialog::sendAlbum,
                                         &GlimmoraDialog::openSettings, &GlimmoraDialog::openHelp,
                                         &GlimmoraDialog::reject};
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        QPushButton* button = makeButton(buttons[i].label, buttons[i].name, buttons[i].key);
        if (i + 1 == std::size(buttons))
            layout->addStretch(1);
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, this, handlers[i]);
    }
    return row;
}

QWidget* GlimmoraDialog::buildItems()
{
    auto* box = new QGroupBox(text(texts::itemsGroup));
    items_ = new ItemList;
    auto* add = makeButton(texts::addFilesButton, "addFilesButton", 'F');
    auto* edit = makeButton(texts::editButton, "editButton", 'E');
    auto* up = makeButton(texts::upButton, "upButton", 'P');
    auto* down = makeButton(texts::downButton, "downButton", 'O');
    auto* byDate = makeButton(texts::orderByDateButton, "orderByDateButton", 'J');
    auto* remove = makeButton(texts::deleteButton, "deleteButton", 'D');
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, edit, up, down, byDate, remove})
        buttons->addWidget(b);
    buttons->addStretch(1);
    auto* layout = new QHBoxLayout(box);
    layout->addWidget(items_, 1);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, &GlimmoraDialog::chooseFiles);
    connect(edit, &QPushButton::clicked, this, &GlimmoraDialog::editItem);
    connect(up, &QPushButton::clicked, this, &GlimmoraDialog::moveUp);
    connect(down, &QPushButton::clicked, this, &GlimmoraDialog::moveDown);
    connect(byDate, &QPushButton::clicked, this, [this] {
        // The selected item stays selected wherever it goes.
        const int row = items_->selectedRow();
        const std::string selected = row >= 0 ? album_.items()[static_cast<std::size_t>(row)].saveName : std::string();
        if (!album_.orderByDate())
            return;
        int now = -1;
        for (std::size_t i = 0; i < album_.items().size(); ++i)
            if (album_.items()[i].saveName == selected)
                now = static_cast<int>(i);
        showItems(now);
    });
    connect(remove, &QPushButton::clicked, this, &GlimmoraDialog::deleteItem);
    connect(items_, &QTreeWidget::itemDoubleClicked, this, &GlimmoraDialog::editItem);
    connect(items_, &ItemList::pathsDropped, this, &GlimmoraDialog::addPaths);
    return box;
}

// The guide.

void GlimmoraDialog::showStep(bool moveFocus)
{
    guide_->setPlainText(dialogs::displayText(assistant_.text()));
    if (!moveFocus)
        return;
    switch (assistant_.focusTarget(useSubtitle_->isChecked())) {
    case Field::Creator:
        creator_->setFocus();
        creator_->selectAll();
        break;
    case Field::Title:
        title_->setFocus();
        title_->selectAll();
        break;
    case Field::Subtitle:
        subtitle_->setFocus();
        break;
    case Field::SubtitleCheck:
        useSubtitle_->setFocus();
        break;
    case Field::Date:
        if (date_->isEnabled())
            date_->setFocus();
        else
            useDate_->setFocus();
        break;
    case Field::Style:
        styleBox_->setFocus();
        break;
    case Field::None:
        break;
    }
}

void GlimmoraDialog::nextStep()
{
    openingFocus_ = false;
    assistant_.next();
    showStep(true);
}

void GlimmoraDialog::previousStep()
{
    openingFocus_ = false;
    assistant_.back();
    showStep(true);
}

void GlimmoraDialog::focusChanged(QWidget*, QWidget* now)
{
    if (!now)
        return;
    Field field = Field::None;
    if (now == creator_)
        field = Field::Creator;
    else if (now == title_)
        field = Field::Title;
    else if (now == subtitle_)
        field = Field::Subtitle;
    else if (now == date_ || now == useDate_ || date_->isAncestorOf(now))
        field = Field::Date;
    else if (now == styleBox_ || styleBox_->isAncestorOf(now))
        field = Field::Style;
    if (field == Field::None)
        return;
    if (openingFocus_) {
        openingFocus_ = false;
        if (now == creator_)
            return;
    }
    const int before = assistant_.step();
    assistant_.focused(field);
    if (assistant_.step() != before)
        showStep(false); // the user is where the step points already
}

// The album's fields.

void GlimmoraDialog::showAlbum()
{
    filling_ = true;
    creator_->setText(QString::fromStdString(album_.creator));
    title_->setText(QString::fromStdString(album_.title));
    useSubtitle_->setChecked(album_.useSubtitle);
    subtitle_->setText(QString::fromStdString(album_.subtitle));
    subtitle_->setEnabled(album_.useSubtitle);
    useDate_->setChecked(album_.date.has_value());
    date_->setDate(album_.date ? shownDate(*album_.date) : QDate::currentDate());
    date_->setEnabled(album_.date.has_value());
    filling_ = false;
    showItems(-1);
}

void GlimmoraDialog::showItems(int selected)
{
    items_->showItems(album_.items(), selected);
}

void GlimmoraDialog::subtitleToggled(bool checked)
{
    subtitle_->setEnabled(checked);
    if (filling_)
        return;
    album_.useSubtitle = checked;
    if (checked) {
        assistant_.subtitleChecked();
        showStep(true);
    }
}

void GlimmoraDialog::dateChanged()
{
    date_->setEnabled(useDate_->isChecked());
    if (filling_)
        return;
    if (!useDate_->isChecked()) {
        album_.date.reset();
        return;
    }
    const QDate d = date_->date();
    album_.date = album::AlbumDate {d.year(), d.month(), d.day()};
}

void GlimmoraDialog::fillStyles()
{
    filling_ = true;
    choices_ = styles_.choices();
    styleBox_->clear();
    int keep = -1;
    for (std::size_t i = 0; i < choices_.size(); ++i) {
        const styles::StyleChoice& choice = choices_[i];
        styleBox_->addItem(QString::fromStdString(choice.name));
        styleBox_->setItemData(static_cast<int>(i), dialogs::plainToolTip(QString::fromStdString(choice.description)),
                               Qt::ToolTipRole);
        if (keep < 0 && choice.module < styles_.modules().size()
            && styles_.modules()[choice.module]->path() == styleKey_.first && choice.style == styleKey_.second)
            keep = static_cast<int>(i);
    }
    // The style chosen before, when it is still offered; else the first.
    if (keep < 0 && !choices_.empty())
        keep = 0;
    styleBox_->setCurrentIndex(keep);
    filling_ = false;
    styleChosen(keep);
}

void GlimmoraDialog::styleChosen(int index)
{
    if (filling_)
        return;
    if (index < 0 || static_cast<std::size_t>(index) >= choices_.size()) {
        album_.style.reset();
        styleKey_ = {{}, -1};
        return;
    }
    const styles::StyleChoice& choice = choices_[static_cast<std::size_t>(index)];
    album_.style = choice;
    styleKey_ = {styles_.modules()[choice.module]->path(), choice.style};
}

void GlimmoraDialog::manageStyles()
{
    if (busy())
        return;
    dialogs::StyleDialog dialog(manager_, this);
    connect(&dialog, &dialogs::StyleDialog::stylesChanged, this, &GlimmoraDialog::fillStyles);
    dialog.exec();
}

// Adding files.

void GlimmoraDialog::chooseFiles()
{
    if (busy())
        return;
    addPaths(askForFiles(texts::addFilesButton, texts::mediaFilter, QFileDialog::ExistingFiles));
}

void GlimmoraDialog::addPaths(const QStringList& paths)
{
    if (paths.isEmpty() || work_)
        return;
    const int queued = MediaAdmission::admit(album_, paths, this);
    if (queued > 0) {
        assistant_.filesAdded();
        showStep(true);
    }
    queue_->start();
}

void GlimmoraDialog::processingStarted()
{
    setBusy(true);
}

void GlimmoraDialog::processingFinished()
{
    setBusy(false);
    // Greyed, the window lost the focus; the list is where the next step is.
    if (!content_->isAncestorOf(QApplication::focusWidget()))
        items_->setFocus();
}

void GlimmoraDialog::itemAdded()
{
    items_->append(album_.items().back());
}

void GlimmoraDialog::setBusy(bool busy)
{
    content_->setEnabled(!busy);
}

bool GlimmoraDialog::busy() const
{
    return queue_->running() || work_ != nullptr;
}

// The list's commands.

void GlimmoraDialog::editItem()
{
    const int row = items_->selectedRow();
    if (busy() || row < 0 || static_cast<std::size_t>(row) >= album_.items().size())
        return;
    editIndex_ = static_cast<std::size_t>(row);
    editItem_ = album_.items()[*editIndex_];
    editPicture_.reset();
    if (editItem_.type == album::MediaType::Video) {
        connect(videos_, &QDialog::finished, this, &GlimmoraDialog::finishEdit, Qt::SingleShotConnection);
        videos_->openFor(ItemDialog::Mode::Editing, editItem_);
        emit itemDialogOpened(videos_);
        return;
    }
    // The picture as it stands in the album folder, read off this thread.
    auto loaded = std::make_shared<std::optional<album::Image>>();
    const std::string path = editItem_.workingPath, name = editItem_.saveName;
    runInBackground(
        [path, name, loaded] { *loaded = album::JpegReader::readFitted(path, {65500, 65500}, name).image; },
        texts::pictureNotReadable,
        [this, loaded](const std::optional<album::AlbumError>& error) {
            if (error || !*loaded) {
                editIndex_.reset();
                showAlbumError(this, error.value_or(album::AlbumError(texts::pictureNotReadable)));
                return;
            }
            editPicture_.emplace(std::move(**loaded));
            connect(pictures_, &QDialog::finished, this, &GlimmoraDialog::finishEdit, Qt::SingleShotConnection);
            pictures_->openFor(ItemDialog::Mode::Editing, editItem_, *editPicture_);
            emit itemDialogOpened(pictures_);
        });
}

void GlimmoraDialog::finishEdit(int result)
{
    if (!editIndex_ || *editIndex_ >= album_.items().size())
        return;
    album::AlbumItem& item = album_.item(*editIndex_);
    if (result == QDialog::Accepted) {
        item = editItem_;
    } else {
        // What was written to the album folder stands; the texts do not.
        item.width = editItem_.width;
        item.height = editItem_.height;
        item.voicePath = editItem_.voicePath;
        item.voiceName = editItem_.voiceName;
        item.voiceSeconds = editItem_.voiceSeconds;
    }
    const int row = static_cast<int>(*editIndex_);
    editIndex_.reset();
    editPicture_.reset();
    showItems(row);
}

void GlimmoraDialog::moveUp()
{
    const int row = items_->selectedRow();
    if (row >= 0 && album_.moveUp(static_cast<std::size_t>(row)))
        showItems(row - 1);
}

void GlimmoraDialog::moveDown()
{
    const int row = items_->selectedRow();
    if (row >= 0 && album_.moveDown(static_cast<std::size_t>(row)))
        showItems(row + 1);
}

void GlimmoraDialog::deleteItem()
{
    const int row = items_->selectedRow();
    if (busy() || row < 0 || static_cast<std::size_t>(row) >= album_.items().size())
        return;
    if (!dialogs::confirm(this, programCaption(), texts::confirmDelete))
        return;
    album_.remove(static_cast<std::size_t>(row));
    showItems(std::min(row, static_cast<int>(album_.items().size()) - 1));
}

// The album's commands.

void GlimmoraDialog::newAlbum()
{
    if (busy() || !dialogs::confirm(this, programCaption(), texts::confirmClear))
        return;
    album_.clear();
    showAlbum();
    assistant_.reset();
    showStep(true);
}

void GlimmoraDialog::runInBackground(std::function<void()> work, const char* unexpected,
                                     std::function<void(const std::optional<album::AlbumError>&)> done)
{
    setBusy(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto error = std::make_shared<std::optional<album::AlbumError>>();
    work_ = QThread::create([work = std::move(work), unexpected, error] {
        try {
            work();
        } catch (const album::AlbumError& e) {
            *error = e;
        } catch (const std::exception& e) {
            *error = album::AlbumError(unexpected, texts::errorCaption, e.what());
        }
    });
    connect(work_, &QThread::finished, this, [this, error, done = std::move(done)] {
        work_->deleteLater();
        work_ = nullptr;
        QApplication::restoreOverrideCursor();
        setBusy(false);
        done(*error);
    });
    work_->start();
}

QStringList GlimmoraDialog::askForFiles(const char* title, const char* filter, QFileDialog::FileMode mode,
                                        const QString& proposed)
{
    QFileDialog dialog(this, text(title).replace(QLatin1Char('\n'), QString()));
    dialog.setFileMode(mode);
    dialog.setNameFilter(fileFilter(filter));
    if (!proposed.isEmpty()) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        // Without it a name typed bare would make a file no desktop knows.
        dialog.setDefaultSuffix(QStringLiteral("gpa"));
    }
    const auto where = mode == QFileDialog::ExistingFiles ? QStandardPaths::PicturesLocation
                                                          : QStandardPaths::DocumentsLocation;
    dialog.setDirectory(lastFolder_.isEmpty() ? QStandardPaths::writableLocation(where) : lastFolder_);
    if (!proposed.isEmpty())
        dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    lastFolder_ = dialog.directory().absolutePath();
    return dialog.selectedFiles();
}

bool GlimmoraDialog::readyToPublish()
{
    if (busy())
        return false;
    try {
        album::AlbumPublisher::check(album_);
    } catch (const album::AlbumError& e) {
        showAlbumError(this, e);
        return false;
    }
    if (!album_.style) {
        const std::string why = styles_.loadProblem();
        dialogs::showError(this, why.empty() ? std::string(styles::GMStyleHost::noStyleMessage)
                                             : styles::GMStyleHost::noStyleMessage + std::string("\n") + why);
        return false;
    }
    return true;
}

void GlimmoraDialog::saveAlbum()
{
    if (!readyToPublish())
        return;
    const QStringList chosen =
        askForFiles(texts::saveButton, texts::archiveFilter, QFileDialog::AnyFile,
                    QString::fromStdString(album::AlbumPublisher::guidePostName(album_)) + QStringLiteral(".gpa"));
    if (chosen.isEmpty())
        return;
    const std::string path = chosen.front().toStdString();
    runInBackground([this, path] { album::AlbumPublisher(library_, styles_).save(album_, path); },
                    texts::publishingError, [this, path](const std::optional<album::AlbumError>& error) {
                        if (error) {
                            showAlbumError(this, *error);
                            emit published(false);
                            return;
                        }
                        emit published(true);
                        if (!dialogs::confirm(this, programCaption(), texts::offerReceive))
                            return;
                        platform::DesktopOpener::open(path, this, [this](bool opened) {
                            if (!opened)
                                dialogs::showError(this, texts::receiveStartFailed);
                        });
                    });
}

void GlimmoraDialog::sendAlbum()
{
    if (!readyToPublish())
        return;
    // The archive stays where the mail program can still read it after this
    // program has ended; the temporary folder's own clean-up takes it later.
    std::string folder = (std::filesystem::temp_directory_path() / "CVmailXXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        dialogs::showError(this, album::formatText(texts::folderNotCreated, folder));
        return;
    }
    const std::string path = folder + "/" + album::AlbumPublisher::attachmentName(album_);
    auto mailed = std::make_shared<bool>(false);
    runInBackground(
        [this, path, mailed] {
            album::AlbumPublisher(library_, styles_).save(album_, path);
            *mailed = platform::Shell::mail(path);
        },
        texts::publishingError,
        [this, path, folder, mailed](const std::optional<album::AlbumError>& error) {
            if (error) {
                std::error_code ignored;
                std::filesystem::remove_all(folder, ignored);
                showAlbumError(this, *error);
                emit this->mailed(false);
                return;
            }
            if (!*mailed)
                dialogs::inform(this, programCaption(), album::formatText(texts::noMailProgram, path),
                                QMessageBox::Warning);
            emit this->mailed(*mailed);
        });
}

void GlimmoraDialog::readAlbum()
{
    if (busy() || !dialogs::confirm(this, programCaption(), texts::confirmClear))
        return;
    const QStringList chosen = askForFiles(texts::readButton, texts::archiveFilter, QFileDialog::ExistingFile);
    if (chosen.isEmpty())
        return;
    const std::string path = chosen.front().toStdString();
    runInBackground([this, path] { album::AlbumPublisher(library_, styles_).readBack(path, album_); },
                    texts::readBackRefused, [this](const std::optional<album::AlbumError>& error) {
                        if (error) {
                            // The user agreed to give up the album's contents.
                            album_.clear();
                            showAlbum();
                            assistant_.reset();
                            showStep(true);
                            showAlbumError(this, *error);
                            emit readBack(false);
                            return;
                        }
                        showAlbum();
                        emit readBack(true);
                    });
}

void GlimmoraDialog::openSettings()
{
    if (busy())
        return;
    SettingsDialog dialog(album_.limit, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    album_.limit = dialog.limit();
    album::PictureLimitSetting::store(album_.limit);
}

void GlimmoraDialog::openHelp()
{
    const std::string page = programFolder_ + "/" + texts::helpPage;
    std::error_code ec;
    if (programFolder_.empty() || !std::filesystem::is_regular_file(page, ec)) {
        dialogs::showError(this, texts::helpNotOpened);
        return;
    }
    platform::DesktopOpener::open(page, this, [this](bool opened) {
        if (!opened)
            dialogs::showError(this, texts::helpNotOpened);
    });
}

void GlimmoraDialog::terminate()
{
    terminating_ = true;
    // Open dialogs end with Cancel; their nested loops unwind before this
    // window closes.
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* open = qobject_cast<QDialog*>(widget); open && open != this && open->isVisible()) {
            if (auto* item = qobject_cast<ItemDialog*>(open); item && item->working())
                continue; // its picture is being written; the next round closes it
            open->done(QDialog::Rejected);
        }
    if (queue_->running())
        queue_->stopForExit();
    if (queue_->running() || work_) {
        QTimer::singleShot(50, this, &GlimmoraDialog::terminate);
        return;
    }
    QDialog::done(QDialog::Rejected);
}

void GlimmoraDialog::done(int result)
{
    place_->keep();
    QDialog::done(result);
}

void GlimmoraDialog::reject()
{
    if (terminating_)
        return;
    if (queue_->running()) {
        queue_->stopForExit();
        dialogs::inform(this, programCaption(), texts::stopBeforeExit, QMessageBox::Warning);
        return;
    }
    if (work_)
        return; // an archive is being written or read; the window is greyed meanwhile
    if (!dialogs::confirm(this, programCaption(), texts::confirmExit))
        return;
    QDialog::reject();
}

} // namespace glimmora

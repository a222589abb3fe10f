#include "platform/dialogs/FileChooser.h"

#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "platform/UserDefaults.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace platform {

namespace {

// As long as a folder on a sound disk takes at most.
constexpr double kLateSeconds = 0.5;
// Rows a list holds at most: tens of thousands would cost the main thread at each key.
constexpr int kShownMost = 500;
constexpr int kRecentMost = 5;
const QString kRecentKey = QStringLiteral("chooserRecentFolders");

std::function<QList<ChooserPlace>()> g_places;

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// "/" holds itself: cleanPath leaves "/.." as it is.
QString parentOf(const QString &path)
{
    const QString parent = QDir::cleanPath(joined(path, QStringLiteral("..")));
    return parent == QLatin1String("/..") ? QStringLiteral("/") : parent;
}

// "Chords (*.txt *.cho)" as wildcards; a filter without parentheses is its own patterns.
QList<QRegularExpression> patterns(const QString &filter)
{
    // Never destroyed: a listing thread a silent share held may still ask at the program's end.
    static const auto *const inParentheses = new QRegularExpression(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch m = inParentheses->match(filter);
    QList<QRegularExpression> all;
    for (const QString &p : (m.hasMatch() ? m.captured(1) : filter).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        all.append(QRegularExpression::fromWildcard(p, Qt::CaseInsensitive));
    return all;
}

QString commonStart(const QStringList &names)
{
    QString common = names.value(0);
    for (const QString &name : names) {
        qsizetype n = 0;
        while (n < common.size() && n < name.size() && common[n] == name[n])
            ++n;
        common.truncate(n);
    }
    return common;
}

// A name on one line, as read: a byte that is not UTF-8 shows as U+FFFD, a
// control character (a newline) as its picture.
QString shown(const QString &name)
{
    QString text = name;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0xdc80 && c <= 0xdcff && (i == 0 || !text[i - 1].isHighSurrogate()))
            text[i] = QChar::ReplacementCharacter;
        else if (c < 0x20)
            text[i] = QChar(0x2400 + c);
        else if (c == 0x7f)
            text[i] = QChar(0x2421);
    }
    return text;
}

bool hiddenName(const QString &name) { return name.startsWith(QLatin1Char('.')); }

} // namespace

void setChooserPlaces(std::function<QList<ChooserPlace>()> places) { g_places = std::move(places); }

FileChooser::FileChooser(Mode mode, const QString &title, const QString &message, const QString &startDir,
                         QWidget *parent)
    : QDialog(parent), mode_(mode),
      use_(QStringLiteral("chooser%1%2").arg(int(mode)).arg(QString::fromLatin1(
          QCryptographicHash::hash(message.toUtf8(), QCryptographicHash::Md5).toHex().left(8))))
{
    UserDefaults &defaults = UserDefaults::standard();
    // Where this use was left last, else where its caller starts it.
    const QString last = defaults.stringForKey(use_ + QStringLiteral("Folder"));
    base_ = QDir::cleanPath(QDir::isAbsolutePath(last)       ? last
                            : QDir::isAbsolutePath(startDir) ? startDir
                                                             : QDir::homePath());
    setWindowTitle(title.isEmpty() ? message : title);
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(message, this);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    layout->addWidget(text);

    auto *tools = new QHBoxLayout;
    const auto tool = [this, tools](const QString &name, const QString &tip, auto act) {
        auto *button = new QPushButton(name, this);
        button->setToolTip(tip);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
        tools->addWidget(button);
        connect(button, &QPushButton::clicked, this, act);
        return button;
    };
    tool(QStringLiteral("Back"), QStringLiteral("The folder left last (Alt+Left)"), [this] { step(false); });
    tool(QStringLiteral("Forward"), QStringLiteral("The folder Back left (Alt+Right)"), [this] { step(true); });
    tool(QStringLiteral("Up"), QStringLiteral("The folder holding this one (Alt+Up, Backspace in the list)"),
         [this] { up(); });
    lastTool_ = tool(QStringLiteral("New Folder"), QStringLiteral("Makes the folder typed (Ctrl+Shift+N)"), [this] { makeFolder(); });
    tools->addStretch(1);
    layout->addLayout(tools);

    // Scrolled sideways, so that a deep folder does not widen the chooser past the screen.
    crumbArea_ = new QScrollArea(this);
    crumbArea_->setFrameShape(QFrame::NoFrame);
    crumbArea_->setWidgetResizable(true);
    crumbArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *crumbs = new QWidget(crumbArea_);
    crumbRow_ = new QHBoxLayout(crumbs);
    crumbRow_->setContentsMargins(0, 0, 0, 0);
    crumbRow_->setSpacing(2);
    crumbRow_->addStretch(1);
    crumbArea_->setWidget(crumbs);
    layout->addWidget(crumbArea_);

    line_ = new QLineEdit(this);
    line_->setObjectName(QStringLiteral("chooserPath"));
    line_->setText(joined(base_, QString()));
    // A path typed replaces it; a name alone is taken in the start folder.
    line_->selectAll();
    layout->addWidget(line_);

    auto *middle = new QHBoxLayout;
    places_ = new QListWidget(this);
    places_->setObjectName(QStringLiteral("chooserPlaces"));
    places_->setMaximumWidth(160);
    middle->addWidget(places_);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("chooserList"));
    list_->setMinimumSize(420, 260);
    middle->addWidget(list_, 1);
    layout->addLayout(middle, 1);

    filter_ = new QComboBox(this);
    filter_->setObjectName(QStringLiteral("chooserFilter"));
    filter_->hide();
    layout->addWidget(filter_);

    // Plain text: a folder's name holding "<" or "&" must show as written.
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("chooserStatus"));
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    layout->addWidget(status_);

    auto *row = new QHBoxLayout;
    row->addStretch(1);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto *ok = new QPushButton(mode == Mode::SaveFile ? QStringLiteral("Save")
                                : mode == Mode::OpenFile ? QStringLiteral("Open")
                                                         : QStringLiteral("Choose"),
                               this);
    // Return is the path line's own: a default button would take it a second time.
    for (QPushButton *button : {cancel, ok}) {
        button->setAutoDefault(false);
        row->addWidget(button);
    }
    layout->addLayout(row);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, [this] { choose(); });
    connect(line_, &QLineEdit::returnPressed, this, [this] { choose(); });
    connect(line_, &QLineEdit::textEdited, this, [this] { typedChanged(true); });
    connect(list_, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) { picked(item, false); });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) { picked(item, true); });
    connect(places_, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        enter(item->data(Qt::UserRole).toString());
        line_->setFocus();
    });
    connect(places_, &QListWidget::itemClicked, places_, &QListWidget::itemActivated);
    connect(filter_, &QComboBox::currentIndexChanged, this, [this] { refill(); });
    for (QWidget *keyed : {static_cast<QWidget *>(line_), static_cast<QWidget *>(list_), static_cast<QWidget *>(places_)})
        keyed->installEventFilter(this);

    // Home, the program's folders and the last ones chosen at once; the
    // drives once their folders answer.
    const auto place = [this](const QString &name, const QString &path) {
        auto *item = new QListWidgetItem(shown(name), places_);
        item->setData(Qt::UserRole, path);
        item->setToolTip(shown(path));
    };
    place(QStringLiteral("Home"), QDir::homePath());
    for (const ChooserPlace &p : g_places ? g_places() : QList<ChooserPlace>())
        if (QDir::isAbsolutePath(p.path))
            place(p.name, QDir::cleanPath(p.path));
    for (const QString &recent : defaults.stringListForKey(kRecentKey))
        place(recent.mid(recent.lastIndexOf(QLatin1Char('/')) + 1), recent);
    work_.run(
        QStringLiteral("Chooser drives"),
        [user = qEnvironmentVariable("USER")] {
            QStringList drives;
            for (const QString &media : {QStringLiteral("/media"), QStringLiteral("/media/") + user,
                                         QStringLiteral("/run/media/") + user})
                for (const FolderEntry &e : folderEntries(media).value_or(QList<FolderEntry>()))
                    if (e.folder && e.name != user)
                        drives << joined(media, e.name);
            return drives;
        },
        [place](const QStringList &drives) {
            for (const QString &drive : drives)
                place(drive.mid(drive.lastIndexOf(QLatin1Char('/')) + 1), drive);
        });

    const qint64 width = defaults.integerForKey(use_ + QStringLiteral("Width"));
    const qint64 height = defaults.integerForKey(use_ + QStringLiteral("Height"));
    if (width > 0 && height > 0)
        resize(QSize(int(width), int(height)).expandedTo(minimumSizeHint()));

    line_->setFocus();
    typedChanged(true);
}

FileChooser::~FileChooser() = default;

bool FileChooser::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const QKeyCombination pressed = key->keyCombination();
    if (pressed == QKeyCombination(Qt::AltModifier, Qt::Key_Up) ||
               (watched == list_ && pressed == QKeyCombination(Qt::Key_Backspace))) {
        up();
    } else if (pressed == QKeyCombination(Qt::AltModifier, Qt::Key_Left) ||
               pressed == QKeyCombination(Qt::AltModifier, Qt::Key_Right)) {
        step(key->key() == Qt::Key_Right);
    } else if (pressed == QKeyCombination(Qt::ControlModifier, Qt::Key_H)) {
        hidden_ = !hidden_;
        refill();
    } else if (pressed == QKeyCombination(Qt::ControlModifier, Qt::Key_L)) {
        line_->setFocus();
        line_->selectAll();
    } else if (pressed == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_N)) {
        makeFolder();
    } else if (watched == line_ && pressed == QKeyCombination(Qt::Key_Tab)) {
        // Taken with no name to complete too: the focus would leave the line for a button.
        complete();
    } else if (watched == line_ && key->key() == Qt::Key_Down) {
        list_->setFocus();
        if (list_->count() > 0 && !list_->currentItem())
            list_->setCurrentRow(0);
    } else {
        return QDialog::eventFilter(watched, event);
    }
    return true;
}

void FileChooser::done(int result)
{
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setInteger(use_ + QStringLiteral("Width"), width());
    defaults.setInteger(use_ + QStringLiteral("Height"), height());
    QDialog::done(result);
}

void FileChooser::setNameFilters(const QStringList &filters)
{
    // Before the filter box, whose change refills the list. The folder is not
    // read again for them: the listing under way takes them when it answers.
    filters_ = filters;
    if (shown_.filters != filters_)
        match(shown_, filters_);
    filter_->clear();
    filter_->addItems(filters);
    filter_->setVisible(!filters.isEmpty());
}

void FileChooser::setSuggestedName(const QString &name)
{
    line_->setText(joined(base_, name));
    line_->selectAll();
    typedChanged(true);
}

FileChooser::Typed FileChooser::typed() const
{
    QString text = line_->text();
    if (text == QLatin1String("~") || text.startsWith(QLatin1String("~/")))
        text = QDir::homePath() + text.mid(1);
    if (!QDir::isAbsolutePath(text))
        text = joined(base_, text);
    const qsizetype slash = text.lastIndexOf(QLatin1Char('/'));
    return {QDir::cleanPath(text.left(slash + 1)), text.mid(slash + 1), QDir::cleanPath(text)};
}

// A list refilters by what was typed; a name picked in it leaves it whole.
void FileChooser::typedChanged(bool refilter)
{
    replaceAsked_.clear();
    message_.clear();
    lookPath_.clear();
    lookLate_ = false;
    lookTimer_.stop();
    const Typed t = typed();
    showCrumbs(t.folder);
    if (t.folder != shown_.folder) {
        list(t.folder);
    } else if (!asked_.isEmpty() || (refilter && t.prefix != prefixShown_)) {
        // Back in the folder listed: the listing of the one left is not awaited.
        asked_.clear();
        listingTimer_.stop();
        listingLate_ = false;
        refill();
    }
    showStatus();
}

void FileChooser::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!std::exchange(opened_, true) && !asked_.isEmpty())
        listAsked();
}

void FileChooser::list(const QString &folder)
{
    if (folder == asked_)
        return;
    asked_ = folder;
    list_->clear();
    // Not before the chooser shows: the filters its caller sets after making it are the first listing's.
    if (opened_)
        listAsked();
}

void FileChooser::listAsked()
{
    listingLate_ = false;
    listingTimer_.start(kLateSeconds, false, [this] {
        listingLate_ = true;
        showStatus();
    });
    work_.run(
        QStringLiteral("Chooser listing %1").arg(asked_),
        [folder = asked_, filters = filters_, call = FileCalls::get()] {
            if (call)
                call(folder);
            Listing l;
            l.folder = folder;
            const std::optional<QList<FolderEntry>> entries = folderEntries(folder);
            if (!entries) {
                l.state = !pathExists(folder) ? Listing::State::Missing
                          : isFolder(folder)  ? Listing::State::Unreadable
                                              : Listing::State::NotFolder;
                return l;
            }
            l.state = Listing::State::Listed;
            for (const FolderEntry &e : *entries)
                l.entries.append(Entry{e.name, e.folder, 0});
            std::sort(l.entries.begin(), l.entries.end(), [](const Entry &a, const Entry &b) {
                if (a.folder != b.folder)
                    return a.folder;
                const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
                return byName != 0 ? byName < 0 : a.name < b.name;
            });
            // The names are matched here, not at each key on the main thread.
            match(l, filters);
            return l;
        },
        [this](const Listing &l) { listed(l); });
}

// Bit i of a file's filters when the name filter i takes it.
void FileChooser::match(Listing &listing, const QStringList &filters)
{
    listing.filters = filters;
    QList<QList<QRegularExpression>> wanted;
    for (const QString &filter : filters)
        wanted.append(patterns(filter));
    for (Entry &entry : listing.entries) {
        entry.filters = 0;
        for (qsizetype i = 0; i < std::min<qsizetype>(wanted.size(), 32) && !entry.folder; ++i)
            if (wanted[i].isEmpty() || std::any_of(wanted[i].begin(), wanted[i].end(), [&entry](const QRegularExpression &p) {
                    return p.match(entry.name).hasMatch();
                }))
                entry.filters |= 1u << i;
    }
}

void FileChooser::listed(const Listing &listing)
{
    // The performer has left that folder.
    if (listing.folder != asked_)
        return;
    asked_.clear();
    listingTimer_.stop();
    listingLate_ = false;
    shown_ = listing;
    // Filters set while it was under way.
    if (shown_.filters != filters_)
        match(shown_, filters_);
    prefixShown_.clear();
    refill();
    showStatus();
}

// Whether the list shows `entry` for the name begun: a hidden one once asked
// for (Ctrl+H) or typed, a file when the filter in force takes it.
bool FileChooser::takes(const Entry &entry, const QString &prefix) const
{
    if (!entry.name.startsWith(prefix) || (hiddenName(entry.name) && !hidden_ && !hiddenName(prefix)))
        return false;
    const int filter = filter_->currentIndex();
    return entry.folder || mode_ != Mode::OpenFile || filters_.isEmpty() || filter < 0 ||
           (entry.filters & (1u << std::min(filter, 31)));
}

// The entries shown that begin with `prefix`; choosable: not a folder chooser's files.
QList<const FileChooser::Entry *> FileChooser::matching(const QString &prefix, bool choosable) const
{
    QList<const Entry *> found;
    for (const Entry &entry : shown_.entries)
        if (takes(entry, prefix) && (!choosable || entry.folder || mode_ != Mode::Folder))
            found.append(&entry);
    return found;
}

void FileChooser::refill()
{
    const Typed t = typed();
    list_->clear();
    if (t.folder != shown_.folder)
        return;
    prefixShown_ = t.prefix;
    const QList<const Entry *> found = matching(t.prefix, false);
    for (const Entry *entry : found.mid(0, kShownMost)) {
        auto *item = new QListWidgetItem(shown(entry->name) + (entry->folder ? QStringLiteral("/") : QString()));
        item->setData(Qt::UserRole, entry->name);
        item->setData(Qt::UserRole + 1, entry->folder);
        // A folder chooser's files show what the folder holds, greyed, as desktop choosers do.
        if (mode_ == Mode::Folder && !entry->folder)
            item->setFlags(Qt::NoItemFlags);
        list_->addItem(item);
    }
    if (found.size() > kShownMost)
        list_->addItem(QStringLiteral("… %1 more: type the name's beginning").arg(found.size() - kShownMost));
    if (found.size() > kShownMost)
        list_->item(list_->count() - 1)->setFlags(Qt::NoItemFlags);
}

void FileChooser::complete()
{
    const Typed t = typed();
    if (t.folder != shown_.folder)
        return;
    QStringList names;
    for (const Entry *entry : matching(t.prefix, true))
        names << entry->name + (entry->folder ? QStringLiteral("/") : QString());
    if (names.isEmpty())
        return;
    // As far as the names agree; a folder's slash takes the line into it.
    const QString common = commonStart(names);
    if (common.size() <= t.prefix.size() && names.size() > 1)
        return;
    line_->setText(joined(t.folder, common));
    typedChanged(true);
}

void FileChooser::picked(QListWidgetItem *item, bool activated)
{
    if (!item || !(item->flags() & Qt::ItemIsEnabled))
        return;
    const bool folder = item->data(Qt::UserRole + 1).toBool();
    const QString path = joined(shown_.folder, item->data(Qt::UserRole).toString());
    if (activated && folder) {
        enter(path);
        line_->setFocus();
        return;
    }
    line_->setText(path);
    typedChanged(false);
    if (activated)
        choose();
}

void FileChooser::enter(const QString &folder, bool stepped)
{
    if (const QString left = typed().folder; !stepped && left != folder) {
        back_.append(left);
        forward_.clear();
    }
    line_->setText(joined(folder, QString()));
    typedChanged(true);
}

// Back, or Forward: the folder shown can be come back to the other way.
void FileChooser::step(bool forward)
{
    QStringList &from = forward ? forward_ : back_;
    if (from.isEmpty())
        return;
    (forward ? back_ : forward_).append(typed().folder);
    enter(from.takeLast(), true);
}

// From the path's text alone. Going up keeps the deeper folders' buttons, to
// go down again, as desktop choosers do.
void FileChooser::showCrumbs(const QString &folder)
{
    if (folder != crumbsPath_ && !crumbsPath_.startsWith(joined(folder, QString()))) {
        for (QPushButton *crumb : std::exchange(crumbs_, {})) {
            crumb->hide();
            crumb->deleteLater();
        }
        crumbsPath_ = folder;
        for (QString at = folder;; at = parentOf(at)) {
            const QString name = at.mid(at.lastIndexOf(QLatin1Char('/')) + 1);
            auto *crumb = new QPushButton(name.isEmpty() ? QStringLiteral("/") : shown(name), crumbArea_->widget());
            crumb->setToolTip(shown(at));
            crumb->setProperty("folder", at);
            crumb->setCheckable(true);
            crumb->setAutoDefault(false);
            crumb->setFocusPolicy(Qt::TabFocus);
            connect(crumb, &QPushButton::clicked, this, [this, at] {
                enter(at);
                line_->setFocus();
            });
            crumbRow_->insertWidget(0, crumb);
            // Else a row on screen shows it on the next turn of the event loop, left out of the sizes below.
            crumb->show();
            crumbs_.prepend(crumb);
            // Tab reaches them after the tools, "/" first.
            setTabOrder(lastTool_, crumb);
            // No shorter at "/", or at a "/.." typed.
            if (parentOf(at).size() >= at.size())
                break;
        }
        // Laid out now: the scroll to the folder's button below needs where it is.
        crumbArea_->widget()->adjustSize();
        crumbArea_->setFixedHeight(crumbArea_->widget()->sizeHint().height() +
                                   crumbArea_->horizontalScrollBar()->sizeHint().height());
    }
    for (QPushButton *crumb : crumbs_) {
        crumb->setChecked(crumb->property("folder").toString() == folder);
        if (crumb->isChecked())
            crumbArea_->ensureWidgetVisible(crumb);
    }
}

void FileChooser::up()
{
    const QString folder = typed().folder;
    if (parentOf(folder) != folder)
        enter(parentOf(folder));
}

// Makes the folder the line names: a missing folder typed, or the name typed
// in the folder listed. With no name, the line offers one to type over.
void FileChooser::makeFolder()
{
    const Typed t = typed();
    const bool missingFolder = t.folder == shown_.folder && shown_.state == Listing::State::Missing;
    if (t.prefix.isEmpty() && !missingFolder) {
        const QString name = QStringLiteral("New Folder");
        line_->setText(joined(t.folder, name));
        line_->setSelection(int(line_->text().size() - name.size()), int(name.size()));
        line_->setFocus();
        typedChanged(true);
        message_ = QStringLiteral("Type the new folder's name, then New Folder again (Ctrl+Shift+N).");
        showStatus();
        return;
    }
    const QString path = t.prefix.isEmpty() ? t.folder : t.path;
    work_.run(
        QStringLiteral("Chooser new folder %1").arg(path),
        [path, call = FileCalls::get()] {
            if (call)
                call(path);
            return platform::makeFolder(path);
        },
        [this, path](bool made) {
            // Typed on since: the folder made is not where the performer is.
            if (made && typed().path == path)
                enter(path);
            message_ = made ? QStringLiteral("\"%1\" is made.").arg(shown(path))
                            : QStringLiteral("\"%1\" cannot be made.").arg(shown(path));
            showStatus();
        });
}

void FileChooser::choose()
{
    if (line_->text().trimmed().isEmpty())
        return;
    const QString path = typed().path;
    if (path == lookPath_)
        return;
    lookPath_ = path;
    const quint64 asked = ++lookAsked_;
    lookLate_ = false;
    lookTimer_.start(kLateSeconds, false, [this] {
        lookLate_ = true;
        showStatus();
    });
    work_.run(
        QStringLiteral("Chooser look %1").arg(path),
        [path, call = FileCalls::get()] {
            if (call)
                call(path);
            Look look;
            if (isFolder(path))
                look.kind = Kind::Folder;
            else if (isReadableFile(path))
                look.kind = Kind::File;
            else if (pathExists(path))
                look.kind = Kind::Other;
            else
                look.parentIsFolder = isFolder(parentOf(path));
            return look;
        },
        [this, asked, path](const Look &look) {
            // Typed on since: that path is no longer the question.
            if (asked == lookAsked_ && path == lookPath_)
                looked(path, look);
        });
    showStatus();
}

void FileChooser::looked(const QString &path, const Look &look)
{
    lookTimer_.stop();
    lookLate_ = false;
    lookPath_.clear();
    if (look.kind == Kind::Folder && mode_ == Mode::Folder)
        return answer(path);
    if (look.kind == Kind::Folder) {
        enter(path);
        return;
    }
    const QString said = shown(path);
    if (look.kind == Kind::Missing && (mode_ == Mode::Folder || !look.parentIsFolder))
        message_ = look.parentIsFolder || mode_ == Mode::Folder
                       ? QStringLiteral("\"%1\" is not there: New Folder (Ctrl+Shift+N) makes it.").arg(said)
                       : QStringLiteral("The folder \"%1\" is not there.").arg(shown(typed().folder));
    else if (mode_ == Mode::Folder)
        message_ = QStringLiteral("\"%1\" is not a folder.").arg(said);
    else if (mode_ == Mode::OpenFile && look.kind == Kind::File)
        return answer(path);
    else if (mode_ == Mode::OpenFile)
        message_ = (look.kind == Kind::Missing ? QStringLiteral("\"%1\" is not there.")
                                               : QStringLiteral("\"%1\" cannot be read."))
                       .arg(said);
    else if (look.kind != Kind::Missing && replaceAsked_ == path)
        return answer(path);
    else if (look.kind != Kind::Missing) {
        replaceAsked_ = path;
        message_ = QStringLiteral("\"%1\" is there already: choosing it again replaces it.").arg(said);
    } else
        return answer(path);
    showStatus();
}

// The chooser of this use opens where this answer was; the folder is offered among the places.
void FileChooser::answer(const QString &path)
{
    chosen_ = path;
    const QString folder = mode_ == Mode::Folder ? path : parentOf(path);
    UserDefaults &defaults = UserDefaults::standard();
    defaults.setString(use_ + QStringLiteral("Folder"), folder);
    QStringList recent = defaults.stringListForKey(kRecentKey);
    recent.removeAll(folder);
    recent.prepend(folder);
    defaults.setStringList(kRecentKey, recent.mid(0, kRecentMost));
    accept();
}

// A late answer is a state: its notice goes when the answer comes.
void FileChooser::showStatus()
{
    const bool listedHere = !shown_.folder.isEmpty() && typed().folder == shown_.folder;
    const QString folder = shown(shown_.folder);
    if (lookLate_)
        status_->setText(QStringLiteral("\"%1\" does not answer yet.").arg(shown(lookPath_)));
    else if (!message_.isEmpty())
        status_->setText(message_);
    else if (listingLate_)
        status_->setText(QStringLiteral("\"%1\" does not answer yet.").arg(shown(asked_)));
    else if (listedHere && shown_.state == Listing::State::Missing)
        status_->setText(QStringLiteral("The folder \"%1\" is not there: New Folder (Ctrl+Shift+N) makes it.").arg(folder));
    else if (listedHere && shown_.state == Listing::State::NotFolder)
        status_->setText(QStringLiteral("\"%1\" is not a folder.").arg(folder));
    else if (listedHere && shown_.state == Listing::State::Unreadable)
        status_->setText(QStringLiteral("\"%1\" cannot be read.").arg(folder));
    else
        status_->clear();
}

} // namespace platform

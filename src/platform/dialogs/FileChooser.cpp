#include "platform/dialogs/FileChooser.h"

#include "platform/RegularFile.h"

#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <algorithm>

namespace platform {

namespace {

// As long as a folder on a sound disk takes at most.
constexpr double kLateSeconds = 0.5;

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// "Chords (*.txt *.cho)" as wildcards; a filter without parentheses is its own patterns.
QList<QRegularExpression> patterns(const QString &filter)
{
    static const QRegularExpression inParentheses(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch m = inParentheses.match(filter);
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

// Keys the path line would lose to the focus chain or ignore: Tab completes,
// Down goes to the list.
class LineKeys : public QObject {
public:
    LineKeys(QObject *parent, std::function<bool()> tab, std::function<void()> down)
        : QObject(parent), tab_(std::move(tab)), down_(std::move(down))
    {
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier && tab_())
                return true;
            if (key->key() == Qt::Key_Down) {
                down_();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<bool()> tab_;
    std::function<void()> down_;
};

} // namespace

FileChooser::FileChooser(Mode mode, const QString &title, const QString &message, const QString &startDir,
                         QWidget *parent)
    : QDialog(parent), mode_(mode),
      base_(QDir::cleanPath(QDir::isAbsolutePath(startDir) ? startDir : QDir::homePath()))
{
    setWindowTitle(title.isEmpty() ? message : title);
    setModal(true);
    auto *layout = new QVBoxLayout(this);
    auto *text = new QLabel(message, this);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    layout->addWidget(text);

    line_ = new QLineEdit(this);
    line_->setObjectName(QStringLiteral("chooserPath"));
    line_->setText(joined(base_, QString()));
    // A path typed replaces it; a name alone is taken in the start folder.
    line_->selectAll();
    line_->installEventFilter(new LineKeys(
        this, [this] { return complete(); },
        [this] {
            list_->setFocus();
            if (list_->count() > 0 && !list_->currentItem())
                list_->setCurrentRow(0);
        }));
    layout->addWidget(line_);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("chooserList"));
    list_->setMinimumSize(420, 260);
    layout->addWidget(list_);

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
    connect(filter_, &QComboBox::currentIndexChanged, this, [this] { refill(); });

    line_->setFocus();
    typedChanged(true);
}

FileChooser::~FileChooser() = default;

void FileChooser::setNameFilters(const QStringList &filters)
{
    filter_->clear();
    filter_->addItems(filters);
    filter_->setVisible(!filters.isEmpty());
    refill();
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

void FileChooser::list(const QString &folder)
{
    if (folder == asked_)
        return;
    asked_ = folder;
    list_->clear();
    listingLate_ = false;
    listingTimer_.start(kLateSeconds, false, [this] {
        listingLate_ = true;
        showStatus();
    });
    work_.run(
        QStringLiteral("Chooser listing %1").arg(folder),
        [folder, call = FileCalls::get()] {
            if (call)
                call(folder);
            Listing l;
            l.folder = folder;
            l.readable = isReadableFolder(folder);
            if (l.readable) {
                l.folders = listFolder(folder, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
                l.files = listFolder(folder, QDir::Files, QDir::Name | QDir::IgnoreCase);
            }
            return l;
        },
        [this](const Listing &l) { listed(l); });
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
    prefixShown_.clear();
    refill();
    showStatus();
}

// The entries shown of the folder listed that begin with `prefix`, a folder's with a slash.
QStringList FileChooser::matching(const QString &prefix) const
{
    QStringList names;
    for (const QString &name : shown_.folders)
        if (name.startsWith(prefix))
            names << name + QLatin1Char('/');
    if (mode_ == Mode::Folder)
        return names;
    const QList<QRegularExpression> wanted = patterns(filter_->currentText());
    for (const QString &name : shown_.files)
        if (name.startsWith(prefix) &&
            (wanted.isEmpty() || std::any_of(wanted.begin(), wanted.end(),
                                             [&name](const QRegularExpression &p) { return p.match(name).hasMatch(); })))
            names << name;
    return names;
}

void FileChooser::refill()
{
    const Typed t = typed();
    list_->clear();
    if (t.folder != shown_.folder)
        return;
    prefixShown_ = t.prefix;
    list_->addItems(matching(t.prefix));
}

bool FileChooser::complete()
{
    const Typed t = typed();
    if (t.folder != shown_.folder)
        return false;
    const QStringList names = matching(t.prefix);
    if (names.isEmpty())
        return false;
    // As far as the names agree; a folder's slash takes the line into it.
    const QString common = commonStart(names);
    if (common.size() <= t.prefix.size() && names.size() > 1)
        return false;
    line_->setText(joined(t.folder, common));
    typedChanged(true);
    return true;
}

void FileChooser::picked(QListWidgetItem *item, bool activated)
{
    if (!item)
        return;
    const bool folder = item->text().endsWith(QLatin1Char('/'));
    const QString name = folder ? item->text().chopped(1) : item->text();
    const QString path = joined(shown_.folder, name);
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

void FileChooser::enter(const QString &folder)
{
    line_->setText(joined(folder, QString()));
    typedChanged(true);
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
                look.parentIsFolder = isFolder(QDir::cleanPath(joined(path, QStringLiteral(".."))));
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
    const auto answer = [this, &path] {
        chosen_ = path;
        accept();
    };
    if (look.kind == Kind::Folder && mode_ == Mode::Folder)
        return answer();
    if (look.kind == Kind::Folder) {
        enter(path);
        return;
    }
    if (mode_ == Mode::Folder)
        message_ = QStringLiteral("\"%1\" is not a folder.").arg(path);
    else if (mode_ == Mode::OpenFile && look.kind == Kind::File)
        return answer();
    else if (mode_ == Mode::OpenFile)
        message_ = (look.kind == Kind::Missing ? QStringLiteral("\"%1\" is not there.")
                                               : QStringLiteral("\"%1\" cannot be read."))
                       .arg(path);
    else if (look.kind != Kind::Missing && replaceAsked_ == path)
        return answer();
    else if (look.kind != Kind::Missing) {
        replaceAsked_ = path;
        message_ = QStringLiteral("\"%1\" is there already: choosing it again replaces it.").arg(path);
    } else if (look.parentIsFolder)
        return answer();
    else
        message_ = QStringLiteral("The folder \"%1\" is not there.").arg(typed().folder);
    showStatus();
}

// A late answer is a state: its notice goes when the answer comes.
void FileChooser::showStatus()
{
    if (lookLate_)
        status_->setText(QStringLiteral("\"%1\" does not answer yet.").arg(lookPath_));
    else if (!message_.isEmpty())
        status_->setText(message_);
    else if (listingLate_)
        status_->setText(QStringLiteral("\"%1\" does not answer yet.").arg(asked_));
    else if (!shown_.readable && !shown_.folder.isEmpty() && typed().folder == shown_.folder)
        status_->setText(QStringLiteral("\"%1\" cannot be read.").arg(shown_.folder));
    else
        status_->clear();
}

} // namespace platform

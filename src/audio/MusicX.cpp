#include "audio/MusicX.h"

#include "audio/EyeTunes.h"
#include "library/Data.h"
#include "library/Pieces.h"
#include "library/PiecesDet.h"

namespace audio {

namespace {

struct FollowState {
    EyeTunes *eyeTunes = nullptr;
    qint32 slaveState = 0;
    qint32 slaveIdx = 0;
    double duration = 0;
    double playerPosition = 0;
    bool startedHere = false;
    QString titlePrev;
    QString artistPrev;
};

FollowState &state()
{
    static FollowState s;
    return s;
}

} // namespace

qint32 matchFollowedSong(const QList<FollowCandidate> &songs, const QString &title, const QString &artist)
{
    qint32 both = -1;
    qint32 titleOnly = -1;
    qsizetype bothLength = -1;
    for (qint32 i = 0; i < songs.size(); ++i) {
        const FollowCandidate &s = songs.at(i);
        if (s.title.isEmpty() || !title.contains(s.title))
            continue;
        if (titleOnly < 0)
            titleOnly = i;
        if (!s.artist.isEmpty() && artist.contains(s.artist) && s.title.size() > bothLength) {
            both = i;
            bothLength = s.title.size();
        }
    }
    return both >= 0 ? both : titleOnly;
}

QString followStateIcon(qint64 followState)
{
    switch (followState) {
    case 1: return QStringLiteral("◉");
    case 2: return QStringLiteral("⁉️");
    case 3: return QStringLiteral("🔉");
    case 4: return QStringLiteral("◉");
    case 5: return QStringLiteral("⚠️");
    default: return QString();
    }
}

EyeTunes &MusicX::eyeTunes()
{
    return state().eyeTunes ? *state().eyeTunes : EyeTunes::sharedInstance();
}

void MusicX::setEyeTunes(EyeTunes *eyeTunes)
{
    state().eyeTunes = eyeTunes;
}

void MusicX::initData()
{
    state().duration = 0;
    state().playerPosition = 0;
}

void MusicX::clearPrev()
{
    state().titlePrev.clear();
    state().artistPrev.clear();
    state().slaveIdx = -1;
}

void MusicX::refreshTime()
{
    const qint64 position = eyeTunes().playerPosition();
    state().playerPosition = position < 0 ? 0.0 : double(position);
}

bool MusicX::stopPlayback()
{
    if (eyeTunes().playerState() != kPlayerPlaying)
        return false;
    eyeTunes().stop();
    return true;
}

qint32 MusicX::obtenirIndexPieceItunesOuMusic()
{
    FollowState &s = state();
    EyeTunes &app = eyeTunes();
    if (!app.isRunning())
        return -3;
    if (app.playerState() != kPlayerPlaying) {
        s.duration = 0;
        s.playerPosition = 0;
        return -2;
    }
    const std::optional<ETTrack> track = app.currentTrack();
    s.duration = track ? double(track->duration) : 0.0;
    s.playerPosition = 0;
    const QString title = track ? track->name : QString();
    const QString artist = track ? track->artist : QString();
    if (track && title == s.titlePrev && artist == s.artistPrev)
        return s.slaveIdx;
    s.slaveIdx = obtenirPieceSelonTitre(title.trimmed().toUpper(), artist.trimmed().toUpper());
    // Remembered as read, so that the same track compares equal next time.
    s.titlePrev = title;
    s.artistPrev = artist;
    return s.slaveIdx;
}

qint32 MusicX::obtenirPieceSelonTitre(const QString &t, const QString &a)
{
    FollowState &s = state();
    // A track without a title (a stream between its parts, say) is no song.
    if (t.isEmpty()) {
        s.titlePrev.clear();
        s.artistPrev.clear();
        return -1;
    }
    const qint64 start = qMax<qint64>(0, Data::indexInTitleArrayG(0));
    const qint64 count = Data::getNbrPiecesOng(0);
    const PiecesList &byTitle = Data::listePiecesByTitle();
    QList<FollowCandidate> songs;
    for (qint64 i = 0; i < count && start + i < byTitle.size(); ++i) {
        const auto &piece = byTitle.at(start + i);
        FollowCandidate c;
        if (piece && piece->pieceDet) {
            c.title = piece->pieceDet->titre.toUpper();
            // A song nothing gave an artist to has none to compare.
            if (piece->pieceDet->auteur != QLatin1String("(nil)"))
                c.artist = piece->pieceDet->auteur.toUpper();
        }
        songs << c;
    }
    const qint32 found = matchFollowedSong(songs, t, a);
    s.titlePrev = t;
    s.artistPrev = a;
    return found;
}

qint32 MusicX::slaveState() { return state().slaveState; }
void MusicX::setSlaveState(qint32 value) { state().slaveState = value; }
qint32 MusicX::slaveIdx() { return state().slaveIdx; }
void MusicX::setSlaveIdx(qint32 index) { state().slaveIdx = index; }
double MusicX::duration() { return state().duration; }
void MusicX::setDuration(double seconds) { state().duration = seconds; }
double MusicX::playerPosition() { return state().playerPosition; }
void MusicX::setPlayerPosition(double seconds) { state().playerPosition = seconds; }
bool MusicX::iTunesStartedFromQuillory() { return state().startedHere; }
void MusicX::setITunesStartedFromQuillory(bool started) { state().startedHere = started; }
QString &MusicX::titlePrev() { return state().titlePrev; }
QString &MusicX::artistPrev() { return state().artistPrev; }

} // namespace audio

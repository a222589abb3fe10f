#include "audio/TrackLookup.h"

#include <QChar>

namespace audio {

namespace {

struct Category {
    Slot slot;
    QLatin1String word;
};

constexpr Category kCategories[] = {
    {Slot::Cover, QLatin1String("COVER")},
    {Slot::BackingTrack, QLatin1String("BACKING TRACK")},
    {Slot::Practice, QLatin1String("PRACTICE")},
    {Slot::Recording, QLatin1String("RECORDING")},
};

// Order in which a genre falls back on the other recordings.
const QList<Slot> &orderFor(qint64 genre)
{
    static const QList<Slot> none;
    static const QList<Slot> orders[] = {
        {Slot::Any, Slot::Cover, Slot::Recording, Slot::Practice, Slot::BackingTrack},
        {Slot::Cover, Slot::Any, Slot::Recording, Slot::Practice, Slot::BackingTrack},
        {Slot::BackingTrack, Slot::Any, Slot::Cover, Slot::Recording, Slot::Practice},
        {Slot::Practice, Slot::Any, Slot::Cover, Slot::Recording, Slot::BackingTrack},
        {Slot::Recording, Slot::Any, Slot::Cover, Slot::Practice, Slot::BackingTrack},
    };
    return genre >= 1 && genre <= 5 ? orders[genre - 1] : none;
}

int scoreOf(const Track &t, const QString &title, const QString &artistUpper)
{
    const bool artistHit = !artistUpper.isEmpty() && t.artist.toUpper().contains(artistUpper);
    const bool marked = t.comment.toUpper().contains(QLatin1String("TOLVANE"));
    const int base = marked ? (artistHit ? 4 : 3) : (artistHit ? 2 : 1);
    return base + (t.title.size() == title.size() ? 1 : 0);
}

bool isAscii(const QString &text)
{
    for (const QChar c : text)
        if (c.unicode() >= 0x80)
            return false;
    return true;
}

// Whether a track title holds the folded song title. Most titles are plain
// ASCII: they are compared in place, without folding a copy.
bool titleHolds(const QString &trackTitle, const QString &folded)
{
    if (isAscii(trackTitle))
        return trackTitle.contains(folded, Qt::CaseInsensitive);
    return searchFold(trackTitle).contains(folded);
}

} // namespace

QString searchFold(const QString &text)
{
    if (isAscii(text))
        return text.toLower();
    const QString decomposed = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            out.append(c);
    return out.normalized(QString::NormalizationForm_C).toCaseFolded();
}

TrackChoice chooseTrack(const QList<Track> &tracks, const QString &songTitle, const QString &artist, qint64 genre)
{
    TrackChoice choice;
    const QString title = songTitle.normalized(QString::NormalizationForm_C);
    const QString folded = searchFold(title.trimmed());
    if (folded.isEmpty())
        return choice;
    const QString artistUpper = artist.toUpper();
    std::array<int, kSlots> scores{};
    auto offer = [&](Slot s, qsizetype index, int score) {
        if (score > scores[size_t(s)]) {
            scores[size_t(s)] = score;
            choice.bySlot[size_t(s)] = index;
        }
    };
    for (qsizetype i = 0; i < tracks.size(); ++i) {
        const Track &t = tracks.at(i);
        if (!titleHolds(t.title, folded))
            continue;
        const int score = scoreOf(t, title, artistUpper);
        const QString genreUpper = t.genre.toUpper();
        bool inCategory = false;
        for (const Category &c : kCategories) {
            if (!genreUpper.contains(c.word))
                continue;
            inCategory = true;
            // A short title matches too much: only a track of its exact length counts.
            if (title.size() < 7 && t.title.size() != title.size())
                continue;
            const std::optional<qsizetype> held = choice.bySlot[size_t(c.slot)];
            if (c.slot == Slot::Recording && held && score == scores[size_t(c.slot)]
                && QString::localeAwareCompare(tracks.at(*held).title.toLower(), t.title.toLower()) < 0) {
                choice.bySlot[size_t(c.slot)] = i;
                continue;
            }
            offer(c.slot, i, score);
        }
        if (!inCategory)
            offer(Slot::Any, i, score);
        offer(Slot::Best, i, score);
    }
    for (const Slot s : orderFor(genre)) {
        if (choice.slot(s)) {
            choice.chosen = choice.slot(s);
            return choice;
        }
    }
    choice.chosen = choice.slot(Slot::Best);
    return choice;
}

} // namespace audio
